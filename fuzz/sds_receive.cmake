# libFuzzer target for the receive side of the Sample Dump Standard: arbitrary
# MIDI bytes through the reassembly, the message checks and the receive
# transfer; its seed corpus runs as a regression test.
orbick_add_fuzz_target(sds_receive
  SOURCE ${CMAKE_SOURCE_DIR}/fuzz/sds_receive.cpp
  LIBS orbick_core
  CORPUS ${CMAKE_SOURCE_DIR}/fuzz/corpus/sds_receive)
