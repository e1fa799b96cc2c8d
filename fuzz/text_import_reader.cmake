# libFuzzer target (text_import_reader); its seed corpus runs as a regression test.
orbick_add_fuzz_target(text_import_reader
  SOURCE ${CMAKE_SOURCE_DIR}/fuzz/text_import_reader.cpp
  LIBS orbick_core
  CORPUS ${CMAKE_SOURCE_DIR}/fuzz/corpus/text_import_reader)
