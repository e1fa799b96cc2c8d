# Delete, Trim, Paste and Replace on a 10 M-frame stereo wave: time and peak
# memory (in copies of the wave) of each, backup included.
add_executable(bench_length_edit ${CMAKE_CURRENT_SOURCE_DIR}/length_edit.cpp)
target_link_libraries(bench_length_edit PRIVATE orbick_core)
