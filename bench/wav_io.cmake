# WAV load and save timing program, driven by bench/wav_io.sh against sox.
add_executable(wav_io_timer ${CMAKE_CURRENT_SOURCE_DIR}/wav_io.cpp)
target_link_libraries(wav_io_timer PRIVATE orbick_core)
