# Engine timings with a host: App calls and create-compile-free of a context.
add_executable(bench_engine_host ${CMAKE_SOURCE_DIR}/bench/engine_host.cpp)
target_link_libraries(bench_engine_host PRIVATE tessel32)
