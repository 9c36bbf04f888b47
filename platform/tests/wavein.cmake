# Wave input over ALSA: real ALSA "file" PCMs defined in a test configuration,
# and the ALSA seam for failures and stalls.
add_kr70_test(platform-wavein
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/wavein/WaveInTest.cpp
  LIBS LmPlatform ALSA::ALSA
  TIMEOUT 60)
target_include_directories(platform-wavein PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/wavein ${CMAKE_CURRENT_LIST_DIR}/wavein)
