# Google Benchmark of the dynamics and delay effects through the processing
# frame, 10 M frames mono, like bench_dsp_level.
if(benchmark_FOUND)
  add_executable(bench_dsp_effects ${CMAKE_CURRENT_SOURCE_DIR}/dsp_effects.cpp)
  target_link_libraries(bench_dsp_effects PRIVATE orbick_core benchmark::benchmark benchmark::benchmark_main)
endif()
