# The fake RealAudio encoder library, loaded with dlopen by the export tests.
add_library(fake_realaudio_encoder MODULE ${CMAKE_CURRENT_SOURCE_DIR}/fake_realaudio_encoder.cpp)
set_target_properties(fake_realaudio_encoder PROPERTIES PREFIX "lib")
if(TARGET formats_tests)
  add_dependencies(formats_tests fake_realaudio_encoder)
  target_compile_definitions(formats_tests
                             PRIVATE FAKE_RA_ENCODER="$<TARGET_FILE:fake_realaudio_encoder>")
endif()
