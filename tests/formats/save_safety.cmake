# Safe saves (non-regular targets, file-size limit) and the command-line
# habits of `orbick --convert` (format names, extension default, --help,
# --version).
add_test(NAME orbick_safe_save_and_cli
         COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/save_safety_test.py
                 $<TARGET_FILE:orbick>)
