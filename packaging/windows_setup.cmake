# Korvel_Player-setup.exe, the Windows setup (NSIS, Debian package nsis):
# the program stripped of its debugging data and the help file, staged in
# setup-staging/, then packed by makensis into the build folder.
find_program(KORVEL_MAKENSIS makensis DOC "makensis, the NSIS compiler (Debian package nsis)")
if(NOT KORVEL_MAKENSIS OR NOT KORVEL_HELP_FILE)
  message(WARNING "makensis or the help file is missing: Korvel_Player-setup.exe is not built")
  return()
endif()
set(staging ${CMAKE_BINARY_DIR}/setup-staging)
set(KORVEL_SETUP ${CMAKE_BINARY_DIR}/Korvel_Player-setup.exe)
set(script ${PROJECT_SOURCE_DIR}/packaging/Korvel_Player.nsi)
add_custom_command(OUTPUT ${KORVEL_SETUP}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${staging}
  COMMAND ${CMAKE_STRIP} -o ${staging}/Korvel_Player.exe $<TARGET_FILE:Korvel_Player>
  COMMAND ${CMAKE_COMMAND} -E copy ${KORVEL_HELP_FILE} ${staging}
  COMMAND ${KORVEL_MAKENSIS} -V2 -DVERSION=${PROJECT_VERSION} -DPROGRAM=${staging}
    -DICON=${KORVEL_GENERATED_DIR}/icon8.ico -DOUTFILE=${KORVEL_SETUP} ${script}
  DEPENDS Korvel_Player ${script} ${KORVEL_HELP_FILE}
  COMMENT "Packing Korvel_Player-setup.exe"
  VERBATIM)
add_custom_target(korvel_setup ALL DEPENDS ${KORVEL_SETUP})
