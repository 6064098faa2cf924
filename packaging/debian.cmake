# The Debian package of the command-line front-end: kvp in /usr/bin and its
# manual page. `cmake --build <dir> --target package` (or cpack in <dir>)
# writes korvel-player_<version>_amd64.deb into the build folder. An installed
# kvp keeps its program folder under $XDG_DATA_HOME (see resources/man/kvp.1.in).

# The page names the project's version. Debian's manual pages are compressed;
# gzip -n keeps the package reproducible.
configure_file(${PROJECT_SOURCE_DIR}/resources/man/kvp.1.in ${CMAKE_BINARY_DIR}/kvp.1 @ONLY)
set(KORVEL_MAN_PAGE ${CMAKE_BINARY_DIR}/kvp.1.gz)
add_custom_command(OUTPUT ${KORVEL_MAN_PAGE}
  COMMAND gzip -9 -n -c ${CMAKE_BINARY_DIR}/kvp.1 > ${KORVEL_MAN_PAGE}
  DEPENDS ${CMAKE_BINARY_DIR}/kvp.1
  COMMENT "Compressing the manual page")
add_custom_target(korvel_man_page ALL DEPENDS ${KORVEL_MAN_PAGE})

install(TARGETS kvp RUNTIME DESTINATION bin)
install(FILES ${KORVEL_MAN_PAGE} DESTINATION share/man/man1)
install(FILES ${CMAKE_BINARY_DIR}/kvp.1 DESTINATION share/doc/korvel-player)
# bash-completion loads it the first time kvp's arguments are completed.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/kvp.bash-completion DESTINATION share/bash-completion/completions
  RENAME kvp)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvel-player)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Korvel Player developers <korvel-player@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Korvel Player's sound containers and players from the shell")
set(CPACK_PACKAGE_DESCRIPTION "kvp keeps sound files in Korvel Player's containers (.kvf and .dat),
lists, plays, exports and shares what they store, and plays and converts
audio files in eleven other formats.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
# The C++ runtime is linked in; what stays shared are the C library and the sound libraries.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= 2.34), libasound2 (>= 1.0.16), libsndfile1 (>= 1.0.28)")
set(CPACK_STRIP_FILES ON)
include(CPack)
