# Every subsystem folder is one static library made of the sources found in it,
# so that adding a file never needs a CMakeLists edit.
function(portiva_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h
       ${CMAKE_CURRENT_SOURCE_DIR}/*.ui ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  set(has_cpp FALSE)
  foreach(s ${sources})
    if(s MATCHES "\\.cpp$")
      set(has_cpp TRUE)
    endif()
  endforeach()
  if(has_cpp)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# One test executable: the given sources, the folder's helpers, Qt Test, and (unless NO_SUPPORT)
# the shared test support; run offscreen.
function(portiva_add_test target)
  cmake_parse_arguments(ARG "NO_SUPPORT" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${target} ${ARG_SOURCES})
  target_link_libraries(${target} PRIVATE ${ARG_DEPS} Qt6::Test)
  if(NOT ARG_NO_SUPPORT)
    target_link_libraries(${target} PRIVATE portiva_testsupport portiva_testfaces)
  endif()
  target_compile_definitions(${target} PRIVATE
    PORTIVA_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    PORTIVA_SHARED_DIR="${PROJECT_SOURCE_DIR}/../shared"
    PORTIVA_BINARY_DIR="${PROJECT_BINARY_DIR}")
  add_test(NAME ${target} COMMAND ${target})
  set_tests_properties(${target} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;PORTIVA_TESTING=1"
    TIMEOUT 300)
endfunction()

# One test executable per tst_*.cpp in the calling folder, named <folder>_tst_...; helper_*
# files of the folder go into each. OUT names a variable that receives the targets, so the
# folder can give single tests more.
function(portiva_tests)
  cmake_parse_arguments(ARG "NO_SUPPORT" "OUT" "DEPS" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tst_*.cpp)
  file(GLOB helpers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/helper_*.cpp
       ${CMAKE_CURRENT_SOURCE_DIR}/helper_*.h)
  get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  set(no_support)
  if(ARG_NO_SUPPORT)
    set(no_support NO_SUPPORT)
  endif()
  set(targets)
  foreach(t ${tests})
    get_filename_component(base ${t} NAME_WE)
    set(target ${folder}_${base})
    portiva_add_test(${target} ${no_support} SOURCES ${t} ${helpers} DEPS ${ARG_DEPS})
    list(APPEND targets ${target})
  endforeach()
  if(ARG_OUT)
    set(${ARG_OUT} ${targets} PARENT_SCOPE)
  endif()
endfunction()
