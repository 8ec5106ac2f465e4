# The layers of src/, lowest first. A file may include its own folder and folders earlier in
# this list; anything else runs up the layers (or closes a circle between folders) and fails
# the configure. The window folders are ordered too, so that their sideways calls can never
# form a circle.
set(LIRAFOK_LAYERS
    core cdg ui device common
    catalogue lyrics player settings editors program labels
    windows qt scenario app)
# Folders that may include less than the order allows.
set(LIRAFOK_LAYER_LIMIT_qt core cdg ui device common)  # the toolkit front end names no window
set(LIRAFOK_LAYER_LIMIT_scenario core cdg ui device common
    catalogue lyrics player settings editors program labels windows)
# Only these folders may include Qt.
set(LIRAFOK_QT_FOLDERS qt app)

function(lirafok_check_layers src_dir)
  file(GLOB_RECURSE files ${src_dir}/*.h ${src_dir}/*.cpp)
  if(NOT CMAKE_SCRIPT_MODE_FILE)
    # An edited include re-runs the check at the next build.
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${files})
  endif()
  set(errors "")
  foreach(f ${files})
    file(RELATIVE_PATH rel ${src_dir} ${f})
    string(REGEX REPLACE "/.*" "" folder "${rel}")
    list(FIND LIRAFOK_LAYERS ${folder} rank)
    if(rank EQUAL -1)
      string(APPEND errors "\n  ${rel}: folder '${folder}' has no place in the layers")
      continue()
    endif()
    if(DEFINED LIRAFOK_LAYER_LIMIT_${folder})
      set(allowed ${folder} ${LIRAFOK_LAYER_LIMIT_${folder}})
    else()
      list(SUBLIST LIRAFOK_LAYERS 0 ${rank} allowed)
      list(APPEND allowed ${folder})
    endif()
    file(STRINGS ${f} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
    foreach(line ${includes})
      if(line MATCHES "#[ \t]*include[ \t]*[<\"](Q[A-Za-z]+|Qt[A-Za-z]+/)")
        list(FIND LIRAFOK_QT_FOLDERS ${folder} qt_ok)
        if(qt_ok EQUAL -1)
          string(APPEND errors "\n  ${rel} includes Qt: ${line}")
        endif()
      elseif(line MATCHES "#[ \t]*include[ \t]*\"([a-z_]+)/")
        set(target ${CMAKE_MATCH_1})
        list(FIND LIRAFOK_LAYERS ${target} target_rank)
        if(target_rank EQUAL -1)
          continue()  # a library's own folder, or a path relative to the file
        endif()
        list(FIND allowed ${target} ok)
        if(ok EQUAL -1)
          string(APPEND errors "\n  ${rel} (${folder}) must not include ${target}/: ${line}")
        endif()
      endif()
    endforeach()
  endforeach()
  if(errors)
    message(FATAL_ERROR "Includes that break the layers of src/ (${LIRAFOK_LAYERS}):${errors}")
  endif()
endfunction()
