# Random and mutated programs through compile and a sandboxed, step-limited run.
orbick_add_fuzz_target(engine_compile
  SOURCE ${CMAKE_SOURCE_DIR}/fuzz/engine_compile.cpp
  LIBS tessel_static
  CORPUS ${CMAKE_SOURCE_DIR}/fuzz/corpus/engine_compile)
