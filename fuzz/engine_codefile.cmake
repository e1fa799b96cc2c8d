# Arbitrary bytes through the compiled-code loader.
orbick_add_fuzz_target(engine_codefile
  SOURCE ${CMAKE_SOURCE_DIR}/fuzz/engine_codefile.cpp
  LIBS tessel_static
  CORPUS ${CMAKE_SOURCE_DIR}/fuzz/corpus/engine_codefile)
