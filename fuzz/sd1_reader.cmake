# libFuzzer target for the Sound Designer 1 reader; its seed corpus runs as a regression test.
orbick_add_fuzz_target(sd1_reader
  SOURCE ${CMAKE_SOURCE_DIR}/fuzz/sd1_reader.cpp
  LIBS orbick_core
  CORPUS ${CMAKE_SOURCE_DIR}/fuzz/corpus/sd1_reader)
