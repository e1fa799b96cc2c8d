#include "wave/file_result.h"

#include <gtest/gtest.h>

TEST(FileResult, EveryCodeHasItsText) {
    EXPECT_STREQ(ob::FileResultText(0), "Procedure OK");
    EXPECT_STREQ(ob::FileResultText(3), "Format Not Supported");
    EXPECT_STREQ(ob::FileResultText(6), "File Read Error");
    EXPECT_STREQ(ob::FileResultText(13), "Corrupt File");
    for (int code = 0; code < ob::kFileResultCount; ++code)
        EXPECT_GT(std::string(ob::FileResultText(code)).size(), 0u) << code;
    EXPECT_STREQ(ob::FileResultText(-1), "Unknown File Error");
    EXPECT_STREQ(ob::FileResultText(99), "Unknown File Error");
}
