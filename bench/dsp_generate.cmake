# Google Benchmark of the waveform generator: 10 M frames per shape, a chord,
# and the whole Generate into an empty editor.
if(benchmark_FOUND)
  add_executable(bench_dsp_generate ${CMAKE_CURRENT_SOURCE_DIR}/dsp_generate.cpp)
  target_link_libraries(bench_dsp_generate PRIVATE orbick_core benchmark::benchmark benchmark::benchmark_main)
endif()
