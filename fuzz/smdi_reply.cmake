# libFuzzer target for SMDI replies: a row of arbitrary replies through the
# classification, the Sample Header parser and the whole send or receive over
# an in-process bus; its seed corpus runs as a regression test.
orbick_add_fuzz_target(smdi_reply
  SOURCE ${CMAKE_SOURCE_DIR}/fuzz/smdi_reply.cpp
  LIBS orbick_core
  CORPUS ${CMAKE_SOURCE_DIR}/fuzz/corpus/smdi_reply)
