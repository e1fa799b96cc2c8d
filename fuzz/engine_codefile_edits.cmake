# Real compiled programs with their tokens edited and the checksum resealed.
orbick_add_fuzz_target(engine_codefile_edits
  SOURCE ${CMAKE_SOURCE_DIR}/fuzz/engine_codefile_edits.cpp
  LIBS tessel_static
  CORPUS ${CMAKE_SOURCE_DIR}/fuzz/corpus/engine_codefile_edits)
