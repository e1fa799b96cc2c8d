# Google Benchmark of the block sample conversions every reader and writer uses.
if(benchmark_FOUND)
  add_executable(bench_wave_convert ${CMAKE_CURRENT_SOURCE_DIR}/wave_convert.cpp)
  target_link_libraries(bench_wave_convert PRIVATE orbick_core benchmark::benchmark benchmark::benchmark_main)
endif()
