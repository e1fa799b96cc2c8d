# libFuzzer target for the AU reader; its seed corpus runs as a regression test.
orbick_add_fuzz_target(au_reader
  SOURCE ${CMAKE_SOURCE_DIR}/fuzz/au_reader.cpp
  LIBS orbick_core
  CORPUS ${CMAKE_SOURCE_DIR}/fuzz/corpus/au_reader)
