# Tests of the platform core: message queues, events, named locks, library
# loading, global memory.
add_executable(lmp-lock-probe ${CMAKE_CURRENT_SOURCE_DIR}/tests/LockProbe.cpp)
target_link_libraries(lmp-lock-probe PRIVATE LmPlatform)

add_library(LmpTestModule MODULE ${CMAKE_CURRENT_SOURCE_DIR}/tests/TestModule.cpp)
set_target_properties(LmpTestModule PROPERTIES PREFIX "lib"
                      LIBRARY_OUTPUT_DIRECTORY ${CMAKE_LIBRARY_OUTPUT_DIRECTORY})

add_kr70_test(platform-core-test
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tests/MessageQueueTest.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/tests/SyncTest.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/tests/LibraryTest.cpp
  LIBS LmPlatform
  TIMEOUT 120)
add_dependencies(platform-core-test lmp-lock-probe LmpTestModule)
