# Installation in the freedesktop places and the Debian package (CPack's DEB generator):
#   BINDIR                      lirafok, lirafok-discinfo, lirafok-cdg
#   PREFIX/lib/lirafok          lirafok-make-demo, the desktop starter and the AutoPlay hook
#                               (programs of this package only; the generator is machine code,
#                               which has no place under share/)
#   DATADIR/lirafok             the first font list, the help and the sound cues a new program
#                               folder gets
#   DATADIR/applications, icons, metainfo, SYSCONFDIR/xdg/autostart, MANDIR/man1, DOCDIR
# The paths the program needs at run time are baked in from the same variables, so a package
# is made from a build configured with the prefix it installs to (/usr).
include(GNUInstallDirs)

set(LIRAFOK_HELPER_DIR "lib/lirafok")
set(LIRAFOK_FULL_HELPER_DIR "${CMAKE_INSTALL_PREFIX}/${LIRAFOK_HELPER_DIR}")
set(LIRAFOK_FULL_DATA_DIR "${CMAKE_INSTALL_FULL_DATADIR}/lirafok")
set(LIRAFOK_PACKAGING_DIR "${CMAKE_BINARY_DIR}/packaging")
file(MAKE_DIRECTORY ${LIRAFOK_PACKAGING_DIR})

if(TARGET lirafok)
  target_compile_definitions(lirafok PRIVATE
    LIRAFOK_VERSION="${PROJECT_VERSION}"
    LIRAFOK_BUILD_DIR="$<TARGET_FILE_DIR:lirafok>"
    LIRAFOK_SOURCE_DATA_DIR="${CMAKE_SOURCE_DIR}/data"
    LIRAFOK_INSTALLED_DATA_DIR="${LIRAFOK_FULL_DATA_DIR}"
    LIRAFOK_INSTALLED_HELPER_DIR="${LIRAFOK_FULL_HELPER_DIR}")
endif()

if(NOT TARGET lirafok OR NOT TARGET lirafok-make-demo)
  return()
endif()

install(TARGETS lirafok-make-demo RUNTIME DESTINATION ${LIRAFOK_HELPER_DIR})
# The sound cues beside them, synthesised by the generator at build time.
add_custom_command(OUTPUT ${LIRAFOK_PACKAGING_DIR}/cues/LIRAFOK1.WAV ${LIRAFOK_PACKAGING_DIR}/cues/LIRAFOK2.WAV
  COMMAND lirafok-make-demo --cues ${LIRAFOK_PACKAGING_DIR}/cues
  DEPENDS lirafok-make-demo VERBATIM)
add_custom_target(lirafok_cues ALL DEPENDS ${LIRAFOK_PACKAGING_DIR}/cues/LIRAFOK1.WAV)
install(FILES data/LIRAFOK.FOX data/LIRAFOK.HLP ${LIRAFOK_PACKAGING_DIR}/cues/LIRAFOK1.WAV
        ${LIRAFOK_PACKAGING_DIR}/cues/LIRAFOK2.WAV DESTINATION ${CMAKE_INSTALL_DATADIR}/lirafok)

# The starter names the installed program; the desktop entry and the autostart entry name the
# starter and the hook by their full paths (desktops start entries with a minimal PATH).
set(LIRAFOK_BIN "${CMAKE_INSTALL_FULL_BINDIR}/lirafok")
configure_file(scripts/lirafok-start ${LIRAFOK_PACKAGING_DIR}/lirafok-start @ONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${CMAKE_SOURCE_DIR}/data/lirafok.desktop ${CMAKE_SOURCE_DIR}/data/lirafok-autoplay.desktop)
install(PROGRAMS ${LIRAFOK_PACKAGING_DIR}/lirafok-start scripts/lirafok-autoplay
        DESTINATION ${LIRAFOK_HELPER_DIR})
file(READ data/lirafok.desktop entry)
string(REGEX REPLACE "\n(Exec|TryExec)=lirafok-start" "\n\\1=${LIRAFOK_FULL_HELPER_DIR}/lirafok-start"
       entry "${entry}")
file(WRITE ${LIRAFOK_PACKAGING_DIR}/lirafok.desktop "${entry}")
file(READ data/lirafok-autoplay.desktop entry)
string(REGEX REPLACE "\n(Exec|TryExec)=lirafok-autoplay"
       "\n\\1=${LIRAFOK_FULL_HELPER_DIR}/lirafok-autoplay" entry "${entry}")
file(WRITE ${LIRAFOK_PACKAGING_DIR}/lirafok-autoplay.desktop "${entry}")
install(FILES ${LIRAFOK_PACKAGING_DIR}/lirafok.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${LIRAFOK_PACKAGING_DIR}/lirafok-autoplay.desktop
        DESTINATION ${CMAKE_INSTALL_FULL_SYSCONFDIR}/xdg/autostart)
install(FILES data/lirafok.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES data/icons/lirafok.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Manual pages and the Debian changelog, compressed as Debian wants them (gzip -9n: no name,
# no time stamp, so the package is the same from build to build).
find_program(GZIP_PROGRAM gzip REQUIRED)
set(compressed "")
foreach(page lirafok.1 lirafok-discinfo.1 lirafok-cdg.1)
  add_custom_command(OUTPUT ${LIRAFOK_PACKAGING_DIR}/${page}.gz
    COMMAND sh -c "${GZIP_PROGRAM} -9nc \"$0\" > \"$1\""
            ${CMAKE_SOURCE_DIR}/data/man/${page} ${LIRAFOK_PACKAGING_DIR}/${page}.gz
    DEPENDS ${CMAKE_SOURCE_DIR}/data/man/${page} VERBATIM)
  install(FILES ${LIRAFOK_PACKAGING_DIR}/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  list(APPEND compressed ${LIRAFOK_PACKAGING_DIR}/${page}.gz)
endforeach()
# The main page in Japanese too (man -L ja lirafok).
add_custom_command(OUTPUT ${LIRAFOK_PACKAGING_DIR}/ja/lirafok.1.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${LIRAFOK_PACKAGING_DIR}/ja
  COMMAND sh -c "${GZIP_PROGRAM} -9nc \"$0\" > \"$1\""
          ${CMAKE_SOURCE_DIR}/data/man/ja/lirafok.1 ${LIRAFOK_PACKAGING_DIR}/ja/lirafok.1.gz
  DEPENDS ${CMAKE_SOURCE_DIR}/data/man/ja/lirafok.1 VERBATIM)
install(FILES ${LIRAFOK_PACKAGING_DIR}/ja/lirafok.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/ja/man1)
list(APPEND compressed ${LIRAFOK_PACKAGING_DIR}/ja/lirafok.1.gz)
add_custom_command(OUTPUT ${LIRAFOK_PACKAGING_DIR}/changelog.gz
  COMMAND sh -c "${GZIP_PROGRAM} -9nc \"$0\" > \"$1\""
          ${CMAKE_SOURCE_DIR}/packaging/changelog ${LIRAFOK_PACKAGING_DIR}/changelog.gz
  DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog VERBATIM)
list(APPEND compressed ${LIRAFOK_PACKAGING_DIR}/changelog.gz)
add_custom_target(lirafok_compressed_docs ALL DEPENDS ${compressed})
install(FILES ${LIRAFOK_PACKAGING_DIR}/changelog.gz packaging/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/lirafok)

# The package: lirafok_VERSION_ARCH.deb, its dependencies computed from the programs by
# dpkg-shlibdeps, the autostart entry kept as a configuration file.
file(WRITE ${LIRAFOK_PACKAGING_DIR}/conffiles
     "${CMAKE_INSTALL_FULL_SYSCONFDIR}/xdg/autostart/lirafok-autoplay.desktop\n")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lirafok)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/strip_notes.cmake)
set(CPACK_PACKAGE_CONTACT "LIRAFOK developers <maintainers@users.noreply.c-seed-37f931f4.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Japanese text needs a Japanese face; Qt's own dialog texts in Japanese, a sound server and
# udev (for the AutoPlay hook) are what a desktop normally has.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, pulseaudio | pipewire-pulse, udev")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${LIRAFOK_PACKAGING_DIR}/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "audio CD player with karaoke lyrics")
# CPack puts the summary on the Description line and indents every line of the text below.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "LIRAFOK plays audio CDs and ripped CD images (BIN/CUE, CUE with FLAC or
WAV, a folder of audio files), recognises each disc by its length, shows its
title and songs from a local catalogue and lights each lyric line at the moment
recorded for it. It shows CD+G karaoke graphics, edits disc records, lyrics and
their timings, and prints cassette cards and MiniDisc labels. Its windows and
messages are in Japanese.
.
The first start prepares the user's program folder ~/.local/share/lirafok with
settings, help, sound cues and a generated demo disc.")
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
