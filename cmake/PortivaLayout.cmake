# Where the installed program keeps its pieces (bin, the component's folder, the data folder)
# and where a build puts them. The program finds them from its own folder, so an install into
# any prefix works; the generated header hands the relative paths to the code.
include(GNUInstallDirs)

set(PORTIVA_INSTALL_COMPONENT_DIR ${CMAKE_INSTALL_LIBDIR}/portiva3)
set(PORTIVA_INSTALL_DATA_DIR ${CMAKE_INSTALL_DATADIR}/portiva3)
file(RELATIVE_PATH PORTIVA_COMPONENT_DIR_FROM_PROGRAM
     /${CMAKE_INSTALL_BINDIR} /${PORTIVA_INSTALL_COMPONENT_DIR})
file(RELATIVE_PATH PORTIVA_DATA_DIR_FROM_PROGRAM
     /${CMAKE_INSTALL_BINDIR} /${PORTIVA_INSTALL_DATA_DIR})
# In a build, Portiva3 sits at the top of the build folder, the rest in their folders' places.
set(PORTIVA_BUILD_COMPONENT_DIR_FROM_PROGRAM gridprint)
set(PORTIVA_BUILD_TOOLS_DIR_FROM_PROGRAM tools/comreg)

set(PORTIVA_COMPONENT_LIBRARY_NAME ${CMAKE_SHARED_LIBRARY_PREFIX}tabulon${CMAKE_SHARED_LIBRARY_SUFFIX})

configure_file(${CMAKE_CURRENT_LIST_DIR}/InstallLayout.h.in
               ${PROJECT_BINARY_DIR}/generated/portiva/InstallLayout.h @ONLY)
add_library(portiva_layout INTERFACE)
target_include_directories(portiva_layout INTERFACE ${PROJECT_BINARY_DIR}/generated)
