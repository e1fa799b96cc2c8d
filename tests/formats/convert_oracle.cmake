# `orbick --convert` over the format codes, checked with libsndfile.
add_test(NAME orbick_convert_every_format
         COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/convert_oracle.py $<TARGET_FILE:orbick>)
