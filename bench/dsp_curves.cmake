# Google Benchmark of the Envelope Generator and the Transfer Function through
# the processing frame, 10 M frames mono, like bench_dsp_level.
if(benchmark_FOUND)
  add_executable(bench_dsp_curves ${CMAKE_CURRENT_SOURCE_DIR}/dsp_curves.cpp)
  target_link_libraries(bench_dsp_curves PRIVATE orbick_core benchmark::benchmark benchmark::benchmark_main)
endif()
