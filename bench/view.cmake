# Editor view speed: full repaints at several zooms (bench_view_paint, run by
# scripts/bench) and open-to-first-paint against sox (bench/view_open.sh).
if(TARGET orbick_shell)
  add_executable(bench_view_paint ${CMAKE_CURRENT_SOURCE_DIR}/view_paint.cpp)
  target_link_libraries(bench_view_paint PRIVATE orbick_shell)
  add_executable(view_open_timer ${CMAKE_CURRENT_SOURCE_DIR}/view_open.cpp)
  target_link_libraries(view_open_timer PRIVATE orbick_shell)
endif()
