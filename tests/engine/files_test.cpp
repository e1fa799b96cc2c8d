// files_test.cpp: output that cannot be written is reported, never lost
// quietly, and FileCopy never empties a file by copying it onto itself.
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "engine_test_util.h"

namespace {

std::string TempDir() {
    std::string dir = "/tmp/tessel_files_" + std::to_string(getpid());
    mkdir(dir.c_str(), 0700);
    return dir;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> ErrorTexts(const Engine& e) {
    std::vector<std::string> t;
    for (const auto& m : e.Errors()) t.push_back(m.text);
    return t;
}

using Texts = std::vector<std::string>;

// /dev/full takes the open and every buffered write, then refuses the flush.
TEST(EngineFiles, CloseReportsOutputLostOnFlush) {
    {
        Engine e;
        EXPECT_EQ(e.Run("Sub Main\nOpen \"/dev/full\" For Output As #3\nPrint #3, \"x\"\n"
                        "Close #3\nPrint \"after\"\nEnd Sub\n"),
                  -1);
        EXPECT_EQ(ErrorTexts(e), Texts{"Error writing to file: 3\n"});
        ASSERT_EQ(e.Errors().size(), 1u);
        EXPECT_EQ(e.Errors()[0].line, 4);
        EXPECT_EQ(e.Output(), "");  // the program stopped at the Close
    }
    {
        // Close without numbers closes all; the failing one is named, the
        // others are still closed (the number is free again).
        Engine e;
        std::string ok = TempDir() + "/ok.txt";
        EXPECT_EQ(e.Run("Sub Main\nOpen \"" + ok +
                        "\" For Output As #1\n"
                        "Open \"/dev/full\" For Append As #2\nPrint #1, \"kept\"\n"
                        "Print #2, \"lost\"\nClose\nEnd Sub\n"),
                  -1);
        EXPECT_EQ(ErrorTexts(e), Texts{"Error writing to file: 2\n"});
        EXPECT_EQ(ReadAll(ok), " kept\r\n");
        unlink(ok.c_str());
    }
}

// A program that ends with a file still open: its buffered output is
// written at the end of the run, and a failure there is the run's error.
TEST(EngineFiles, EndOfRunReportsOutputLost) {
    Engine e;
    EXPECT_EQ(e.Run("Sub Main\nOpen \"/dev/full\" For Output As #5\nPrint #5, \"x\"\n"
                    "Print \"done\"\nEnd Sub\n"),
              -1);
    EXPECT_EQ(e.Output(), " done\n");
    EXPECT_EQ(ErrorTexts(e), Texts{"Error writing to file: 5\n"});
}

TEST(EngineFiles, OutputThatFitsIsWrittenAndCloseSucceeds) {
    std::string path = TempDir() + "/out.txt";
    Engine e;
    ASSERT_EQ(e.Run("Sub Main\nOpen \"" + path +
                    "\" For Output As #1\nPrint #1, \"a\"; 1\n"
                    "Close #1\nOpen \"" +
                    path +
                    "\" For Append As #1\nWrite #1, \"b\", 2\n"
                    "End Sub\n"),
              TES_OK);
    EXPECT_TRUE(e.Errors().empty());
    EXPECT_EQ(ReadAll(path), " a 1\r\n\"b\",2\r\n");  // flushed at the end of the run
    unlink(path.c_str());
}

// The same file by another path, a symbolic link or a hard link: refused
// with a warning, the file keeps its contents. A real copy still works.
TEST(EngineFiles, FileCopyOntoItselfIsRefused) {
    std::string dir = TempDir();
    std::string file = dir + "/data.txt", soft = dir + "/soft.txt", hard = dir + "/hard.txt",
                copy = dir + "/copy.txt";
    std::ofstream(file, std::ios::binary) << "precious contents\n";
    ASSERT_EQ(symlink("data.txt", soft.c_str()), 0);
    ASSERT_EQ(link(file.c_str(), hard.c_str()), 0);
    for (const std::string& target :
         {file, dir + "/./data.txt", dir + "/../" + dir.substr(5) + "/data.txt", soft, hard}) {
        Engine e;
        EXPECT_EQ(e.Run("Sub Main\nFileCopy \"" + file + "\", \"" + target +
                        "\"\nPrint \"on\"\nEnd Sub\n"),
                  TES_E_RUNTIME)
            << target;
        EXPECT_EQ(e.Output(), " on\n");  // a warning: the program goes on
        EXPECT_EQ(ErrorTexts(e),
                  Texts{"FileCopy: source and target are the same file: " + target + "\n"});
        EXPECT_EQ(ReadAll(file), "precious contents\n") << target;
    }
    {
        Engine e;  // copying from the link onto the file is the same file too
        EXPECT_EQ(e.Run("Sub Main\nFileCopy \"" + soft + "\", \"" + file + "\"\nEnd Sub\n"),
                  TES_E_RUNTIME);
        EXPECT_EQ(ReadAll(file), "precious contents\n");
    }
    {
        Engine e;
        EXPECT_EQ(e.Run("Sub Main\nFileCopy \"" + soft + "\", \"" + copy + "\"\nEnd Sub\n"),
                  TES_OK);
        EXPECT_EQ(ReadAll(copy), "precious contents\n");
    }
    for (const std::string& p : {file, soft, hard, copy}) unlink(p.c_str());
    rmdir(dir.c_str());
}

}  // namespace
