# Google Benchmark of the level and simple functions through the processing
# frame, 10 M frames mono and stereo, with a memcpy of the same data beside them.
if(benchmark_FOUND)
  add_executable(bench_dsp_level ${CMAKE_CURRENT_SOURCE_DIR}/dsp_level.cpp)
  target_link_libraries(bench_dsp_level PRIVATE orbick_core benchmark::benchmark benchmark::benchmark_main)
endif()
