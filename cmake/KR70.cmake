# Helpers shared by every component.

find_package(GTest REQUIRED)
find_package(Threads REQUIRED)

# add_kr70_library(<Name> SOURCES ... [LIBS ...] [INCLUDE <dir>])
# One shared library per deliverable: lib<Name>.so in build/lib.
function(add_kr70_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;PUBLIC_LIBS" ${ARGN})
  add_library(${name} SHARED ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include)
  if(ARG_LIBS)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  endif()
  if(ARG_PUBLIC_LIBS)
    target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_LIBS})
  endif()
endfunction()

# add_kr70_test(<name> SOURCES ... [LIBS ...] [ENV VAR=value ...] [TIMEOUT s])
# One GoogleTest executable per area; KR70_TEST_DATA names the tests/data folder
# beside the sources and KR70_BIN_DIR the folder of the built programs.
function(add_kr70_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;ENV" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  target_compile_definitions(${name} PRIVATE
      KR70_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data"
      KR70_BIN_DIR="${CMAKE_RUNTIME_OUTPUT_DIRECTORY}"
      KR70_LIB_DIR="${CMAKE_LIBRARY_OUTPUT_DIRECTORY}")
  add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
  # Each test gets its own runtime folder, so the named locks and temporary files
  # of tests running in parallel (or of a workstation the user has open) never meet.
  set(runtime_dir ${CMAKE_CURRENT_BINARY_DIR}/${name}.runtime)
  file(MAKE_DIRECTORY ${runtime_dir})
  file(CHMOD ${runtime_dir} DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "XDG_RUNTIME_DIR=${runtime_dir};${ARG_ENV}")
endfunction()
