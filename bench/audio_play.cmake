# Playback timing: the delay from Play to the first buffer at the device and
# the player's CPU use for a 96 kHz stereo sound (file device, real clock).
add_executable(bench_audio_play ${CMAKE_CURRENT_SOURCE_DIR}/audio_play.cpp)
target_link_libraries(bench_audio_play PRIVATE orbick_core)
