# Engine timings with a host: App calls, and create-compile-free of a context
# with the script host's constant and declaration blocks and a recorded macro.
add_executable(bench_engine_host ${CMAKE_SOURCE_DIR}/bench/engine_host.cpp)
target_link_libraries(bench_engine_host PRIVATE orbick_core tessel32)
