# Runs the layer check on a small tree: the clean tree must pass, and each broken tree (an
# upward include, a circle between window folders, Qt below the front end) must fail.
# Usage: cmake -DSOURCE=<repo> -DWORK=<scratch folder> -P upward_include.cmake
include(${SOURCE}/cmake/layers.cmake)

function(make_tree dir)
  file(REMOVE_RECURSE ${dir})
  file(WRITE ${dir}/core/text.h "#pragma once\n")
  file(WRITE ${dir}/common/app.h "#include \"core/text.h\"\n")
  file(WRITE ${dir}/catalogue/catalogue_file.h "#include \"common/app.h\"\n")
  file(WRITE ${dir}/player/cdoke.h "#include \"catalogue/catalogue_file.h\"\n")
  file(WRITE ${dir}/windows/windows.cpp "#include \"player/cdoke.h\"\n")
  file(WRITE ${dir}/qt/view.cpp "#include <QWidget>\n#include \"common/app.h\"\n")
endfunction()

function(expect_result name should_pass)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -DSOURCE=${SOURCE} -DTREE=${WORK}/${name} -DCHECK_ONLY=1
            -P ${CMAKE_CURRENT_LIST_FILE}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(should_pass AND NOT rc EQUAL 0)
    message(FATAL_ERROR "${name}: the check failed on a clean tree:\n${err}")
  elseif(NOT should_pass AND rc EQUAL 0)
    message(FATAL_ERROR "${name}: the check let a broken tree pass")
  endif()
  message(STATUS "${name}: as expected")
endfunction()

if(CHECK_ONLY)
  lirafok_check_layers(${TREE})
  return()
endif()

make_tree(${WORK}/clean)
expect_result(clean TRUE)

make_tree(${WORK}/upward)
file(APPEND ${WORK}/upward/catalogue/catalogue_file.h "#include \"player/cdoke.h\"\n")
expect_result(upward FALSE)

make_tree(${WORK}/root)
file(APPEND ${WORK}/root/player/cdoke.h "#include \"windows/windows.h\"\n")
expect_result(root FALSE)

make_tree(${WORK}/qtwindow)
file(APPEND ${WORK}/qtwindow/qt/view.cpp "#include \"player/cdoke.h\"\n")
expect_result(qtwindow FALSE)

make_tree(${WORK}/qtcore)
file(APPEND ${WORK}/qtcore/core/text.h "#include <QString>\n")
expect_result(qtcore FALSE)
