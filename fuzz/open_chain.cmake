# libFuzzer target (open_chain); its seed corpus runs as a regression test.
orbick_add_fuzz_target(open_chain
  SOURCE ${CMAKE_SOURCE_DIR}/fuzz/open_chain.cpp
  LIBS orbick_core
  CORPUS ${CMAKE_SOURCE_DIR}/fuzz/corpus/open_chain)
