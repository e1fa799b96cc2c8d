# Helpers shared by tests/, fuzz/ and bench/.
find_package(GTest REQUIRED)
include(GoogleTest)

# orbick_add_unit_test(NAME SOURCES... [LIBS libs...])
# A GoogleTest binary, labelled "unit" so the sanitizer build runs it too.
function(orbick_add_unit_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE ORBICK_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
                                             ORBICK_BINARY_DIR="${CMAKE_BINARY_DIR}")
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS unit)
endfunction()

# orbick_add_fuzz_target(NAME SOURCE LIBS libs... CORPUS dir)
# Always builds NAME_corpus, which runs the fuzz entry point over every file of
# the corpus as a regression test (label "unit"); with ORBICK_FUZZ also builds
# the libFuzzer binary NAME.
function(orbick_add_fuzz_target name)
  cmake_parse_arguments(F "" "SOURCE;CORPUS" "LIBS" ${ARGN})
  add_executable(${name}_corpus ${F_SOURCE} ${CMAKE_SOURCE_DIR}/fuzz/corpus_main.cpp)
  target_link_libraries(${name}_corpus PRIVATE ${F_LIBS})
  add_test(NAME ${name}_corpus COMMAND ${name}_corpus ${F_CORPUS})
  set_tests_properties(${name}_corpus PROPERTIES LABELS unit)
  if(ORBICK_FUZZ)
    add_executable(${name} ${F_SOURCE})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_libraries(${name} PRIVATE ${F_LIBS})
  endif()
endfunction()
