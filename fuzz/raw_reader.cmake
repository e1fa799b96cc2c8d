# libFuzzer target (raw_reader); its seed corpus runs as a regression test.
orbick_add_fuzz_target(raw_reader
  SOURCE ${CMAKE_SOURCE_DIR}/fuzz/raw_reader.cpp
  LIBS orbick_core
  CORPUS ${CMAKE_SOURCE_DIR}/fuzz/corpus/raw_reader)
