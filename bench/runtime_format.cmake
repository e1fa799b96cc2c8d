# Google Benchmark of the runtime library's text-heavy built-ins (Format,
# the date parser, Str, UCase), built from engine/runtime/*.cpp.
if(benchmark_FOUND)
  file(GLOB runtime_bench_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/engine/runtime/*.cpp)
  add_executable(bench_runtime_format ${CMAKE_CURRENT_SOURCE_DIR}/runtime_format.cpp
                 ${runtime_bench_sources})
  target_include_directories(bench_runtime_format PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(bench_runtime_format PRIVATE benchmark::benchmark benchmark::benchmark_main)
endif()
