# libFuzzer target for the Akai S612 receive: the sampler's replies, any bytes,
# through the reassembly, the reply checks and the whole receive; its seed
# corpus runs as a regression test.
orbick_add_fuzz_target(s612_receive
  SOURCE ${CMAKE_SOURCE_DIR}/fuzz/s612_receive.cpp
  LIBS orbick_core
  CORPUS ${CMAKE_SOURCE_DIR}/fuzz/corpus/s612_receive)
