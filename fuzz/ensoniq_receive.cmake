# libFuzzer target for the Ensoniq receive: the sampler's answers come from
# the input, through the reassembly, the message checks and the whole
# receive; its seed corpus runs as a regression test.
orbick_add_fuzz_target(ensoniq_receive
  SOURCE ${CMAKE_SOURCE_DIR}/fuzz/ensoniq_receive.cpp
  LIBS orbick_core
  CORPUS ${CMAKE_SOURCE_DIR}/fuzz/corpus/ensoniq_receive)
