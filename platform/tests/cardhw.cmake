# Tests of the card seam and its simulated card and driver.
add_kr70_test(platform-cardhw-test
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tests/CardHwTest.cpp
  LIBS LmPlatform
  TIMEOUT 60)
