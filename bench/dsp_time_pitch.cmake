# Google Benchmark of the transpose recurrences (linear and windowed sinc) and
# of the time-stretch engine on a tone mix.
if(benchmark_FOUND)
  add_executable(bench_dsp_time_pitch ${CMAKE_CURRENT_SOURCE_DIR}/dsp_time_pitch.cpp)
  target_link_libraries(bench_dsp_time_pitch PRIVATE orbick_core benchmark::benchmark benchmark::benchmark_main)
endif()
