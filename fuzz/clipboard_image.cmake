# libFuzzer target for the clipboard image parser; its seed corpus runs as a regression test.
orbick_add_fuzz_target(clipboard_image
  SOURCE ${CMAKE_SOURCE_DIR}/fuzz/clipboard_image.cpp
  LIBS orbick_core
  CORPUS ${CMAKE_SOURCE_DIR}/fuzz/corpus/clipboard_image)
