# libFuzzer target for the 8SVX reader; its seed corpus runs as a regression test.
orbick_add_fuzz_target(svx8_reader
  SOURCE ${CMAKE_SOURCE_DIR}/fuzz/svx8_reader.cpp
  LIBS orbick_core
  CORPUS ${CMAKE_SOURCE_DIR}/fuzz/corpus/svx8_reader)
