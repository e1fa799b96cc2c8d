# Fails when a source of the editor core includes a Qt header: the core is
# built and tested without a display and must stay free of the toolkit.
# Run with: cmake -DSOURCE_DIR=<repo> -P cmake/CheckCoreWithoutQt.cmake
if(NOT SOURCE_DIR)
  message(FATAL_ERROR "SOURCE_DIR not set")
endif()
set(found "")
foreach(dir base wave formats dsp audio sampler analysis script)
  file(GLOB_RECURSE files ${SOURCE_DIR}/${dir}/*.h ${SOURCE_DIR}/${dir}/*.hpp
       ${SOURCE_DIR}/${dir}/*.cpp ${SOURCE_DIR}/${dir}/*.c ${SOURCE_DIR}/${dir}/CMakeLists.txt)
  foreach(f ${files})
    file(STRINGS ${f} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Za-z]*|Qt[A-Za-z]*/[^>\"]*|q[a-z_]*\\.h)[>\"]|Qt6::|find_package\\(Qt")
    foreach(l ${lines})
      list(APPEND found "${f}: ${l}")
    endforeach()
  endforeach()
endforeach()
if(found)
  list(JOIN found "\n  " text)
  message(FATAL_ERROR "The editor core must not use Qt:\n  ${text}")
endif()
message(STATUS "core is free of Qt")
