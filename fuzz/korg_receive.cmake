# libFuzzer target for the Korg DSS-1 and DSM-1 receive: the sampler's replies, any bytes,
# through the reassembly, the reply checks and the whole receive; its seed
# corpus runs as a regression test.
orbick_add_fuzz_target(korg_receive
  SOURCE ${CMAKE_SOURCE_DIR}/fuzz/korg_receive.cpp
  LIBS orbick_core
  CORPUS ${CMAKE_SOURCE_DIR}/fuzz/corpus/korg_receive)
