# libFuzzer target for the preset container reader; its seed corpus runs as a regression test.
orbick_add_fuzz_target(preset_reader
  SOURCE ${CMAKE_SOURCE_DIR}/fuzz/preset_reader.cpp
  LIBS orbick_core
  CORPUS ${CMAKE_SOURCE_DIR}/fuzz/corpus/preset_reader)
