# Google Benchmark of the equalization functions through the processing frame
# (10 M frames mono) and of the spectrum analysis and its text export.
if(benchmark_FOUND)
  add_executable(bench_dsp_eq ${CMAKE_CURRENT_SOURCE_DIR}/dsp_eq.cpp)
  target_link_libraries(bench_dsp_eq PRIVATE orbick_core benchmark::benchmark benchmark::benchmark_main)
endif()
