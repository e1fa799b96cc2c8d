# libFuzzer target for the VOC reader; its seed corpus runs as a regression test.
orbick_add_fuzz_target(voc_reader
  SOURCE ${CMAKE_SOURCE_DIR}/fuzz/voc_reader.cpp
  LIBS orbick_core
  CORPUS ${CMAKE_SOURCE_DIR}/fuzz/corpus/voc_reader)
