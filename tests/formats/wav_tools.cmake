# WAV oracles: a libsndfile helper that writes and dumps instrument and cue
# data (used by formats_tests), and the checks of the files `orbick --convert`
# writes by libsndfile, sox and sndfile-info, plus the command-line errors.
find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
  pkg_check_modules(SNDFILE QUIET IMPORTED_TARGET sndfile)
endif()
if(SNDFILE_FOUND)
  add_executable(wav_sndfile_helper ${CMAKE_CURRENT_SOURCE_DIR}/wav_sndfile_helper.c)
  target_link_libraries(wav_sndfile_helper PRIVATE PkgConfig::SNDFILE)
  if(TARGET formats_tests)
    add_dependencies(formats_tests wav_sndfile_helper)
    target_compile_definitions(formats_tests
                               PRIVATE WAV_SNDFILE_HELPER="$<TARGET_FILE:wav_sndfile_helper>")
  endif()
  add_test(NAME wav_files_read_by_sox_and_libsndfile
           COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/wav_oracle_test.py oracles
                   $<TARGET_FILE:orbick> $<TARGET_FILE:wav_sndfile_helper>)
endif()
add_test(NAME orbick_cli_convert
         COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/wav_oracle_test.py cli
                 $<TARGET_FILE:orbick>)
