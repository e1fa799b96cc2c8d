# Format oracles: formats_tool writes and opens sounds through the save and
# open chains; formats_oracle.py checks its files with sox, libsndfile and
# sndfile-info, and reads files those tools write.
add_executable(formats_tool ${CMAKE_CURRENT_SOURCE_DIR}/formats_tool.cpp)
target_link_libraries(formats_tool PRIVATE orbick_core)
add_test(NAME formats_read_and_written_by_sox_and_libsndfile
         COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/formats_oracle.py
                 $<TARGET_FILE:formats_tool>)
