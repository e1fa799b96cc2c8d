# libFuzzer target for the AIFF reader; its seed corpus runs as a regression test.
orbick_add_fuzz_target(aiff_reader
  SOURCE ${CMAKE_SOURCE_DIR}/fuzz/aiff_reader.cpp
  LIBS orbick_core
  CORPUS ${CMAKE_SOURCE_DIR}/fuzz/corpus/aiff_reader)
