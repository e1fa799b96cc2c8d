# libFuzzer target for the WAV reader; its seed corpus runs as a regression test.
orbick_add_fuzz_target(wav_reader
  SOURCE ${CMAKE_SOURCE_DIR}/fuzz/wav_reader.cpp
  LIBS orbick_core
  CORPUS ${CMAKE_SOURCE_DIR}/fuzz/corpus/wav_reader)
