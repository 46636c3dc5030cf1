# Installing on a workstation: `cmake --install build --prefix P` puts the programs into P/bin,
# the grid printer into its own folder, the help file into the data folder and a desktop entry
# beside the other applications'. The grid printer is then registered in the installation's
# class-id registry beside it, which every user's Portiva3 reads after the user's own, so that
# nobody has to register it by hand. The layout itself is set in PortivaLayout.cmake.

install(TARGETS Portiva3 portiva-modemsim portiva-comreg RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS Tabulon LIBRARY DESTINATION ${PORTIVA_INSTALL_COMPONENT_DIR})
install(FILES ${PROJECT_BINARY_DIR}/RIZERUDO.html DESTINATION ${PORTIVA_INSTALL_DATA_DIR})
# The installed simulator runs it when no --config is given (tools/modemsim/main.cpp).
install(FILES ${PROJECT_SOURCE_DIR}/tools/modemsim/demo.conf DESTINATION ${PORTIVA_INSTALL_DATA_DIR})
# The program's own picture, as the desktop entry's icon.
install(FILES ${PROJECT_SOURCE_DIR}/app/portiva3.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Runs at install time, after the files above are in place. With DESTDIR the files land in a
# staging tree whose paths the installed program will not see, so the registry is rewritten to
# the final prefix; the desktop entry names the final prefix too.
set(portiva_install_code [[
  set(portiva_root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
  set(portiva_component_dir "${portiva_root}/@PORTIVA_INSTALL_COMPONENT_DIR@")
  set(portiva_registry "${portiva_component_dir}/com-registry.ini")
  execute_process(
    COMMAND "${portiva_root}/@CMAKE_INSTALL_BINDIR@/portiva-comreg" --system
            "${portiva_component_dir}/@PORTIVA_COMPONENT_LIBRARY_NAME@"
    RESULT_VARIABLE portiva_result OUTPUT_VARIABLE portiva_output ERROR_VARIABLE portiva_output)
  if(NOT portiva_result EQUAL 0)
    message(FATAL_ERROR "Registering the grid printer failed: ${portiva_output}")
  endif()
  if(NOT "$ENV{DESTDIR}" STREQUAL "")
    # The library registers its own resolved path, which lies inside the staging tree.
    file(REAL_PATH "${portiva_root}" portiva_real_root)
    file(READ "${portiva_registry}" portiva_text)
    string(REPLACE "${portiva_real_root}/" "${CMAKE_INSTALL_PREFIX}/" portiva_text "${portiva_text}")
    file(WRITE "${portiva_registry}" "${portiva_text}")
  endif()
  message(STATUS "Registered the grid printer for every user: ${portiva_registry}")
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES
       "${CMAKE_INSTALL_PREFIX}/@PORTIVA_INSTALL_COMPONENT_DIR@/com-registry.ini")

  set(portiva_applications "${portiva_root}/@CMAKE_INSTALL_DATADIR@/applications")
  file(MAKE_DIRECTORY "${portiva_applications}")
  file(WRITE "${portiva_applications}/portiva3.desktop" "[Desktop Entry]
Type=Application
Name=Portiva3
GenericName=GSM key units
Comment=Register of GSM key units, their users, logs and SMS
Exec=${CMAKE_INSTALL_PREFIX}/@CMAKE_INSTALL_BINDIR@/Portiva3
Icon=portiva3
Terminal=false
Categories=Office;
")
  message(STATUS "Installing: ${portiva_applications}/portiva3.desktop")
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES
       "${CMAKE_INSTALL_PREFIX}/@CMAKE_INSTALL_DATADIR@/applications/portiva3.desktop")
]])
string(CONFIGURE "${portiva_install_code}" portiva_install_code @ONLY)
install(CODE "${portiva_install_code}")
