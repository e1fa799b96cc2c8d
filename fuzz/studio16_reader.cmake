# libFuzzer target for the Studio 16 V3 reader; its seed corpus runs as a regression test.
orbick_add_fuzz_target(studio16_reader
  SOURCE ${CMAKE_SOURCE_DIR}/fuzz/studio16_reader.cpp
  LIBS orbick_core
  CORPUS ${CMAKE_SOURCE_DIR}/fuzz/corpus/studio16_reader)
