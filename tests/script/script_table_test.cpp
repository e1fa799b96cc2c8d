// The function table, the constant and declaration texts, and the resolver.
#include "script/script_table.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "script/script_api.h"

using namespace ob;

namespace {

std::vector<std::string> Lines(const char* text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

std::string NameOf(const std::string& declaration) {
    std::smatch m;
    static const std::regex re(R"(^Declare Function (\w+) App \()");
    return std::regex_search(declaration, m, re) ? m[1].str() : "";
}

}  // namespace

TEST(ScriptTable, DeclarationBlocksHoldTheFunctionsInOrder) {
    struct Expect {
        size_t count;
        const char* first;
        const char* last;
    };
    const Expect blocks[] = {
        {33, "obGetVersionInfo", "obSetLoop"}, {26, "obInquire", "obNoiseGate"},
        {19, "obEQBass", "obResynthesize"},    {21, "obTimeStretch", "obInsertSilence"},
        {19, "obInsertSilenceAt", "obAppend"}, {5, "obFindFirstFile", "obGenerate4"},
        {3, "obRedoWave", "obCrossfadeLoop"}};
    static const std::regex line(
        R"(^Declare Function ob\w+ App \(((ByVal \w+[&%!#$]|ByRef ary\(\) As Integer)(, (ByVal \w+[&%!#$]|ByRef ary\(\) As Integer))*)?\) As (Long|Integer|Single|String)$)");
    std::set<std::string> names;
    size_t total = 0;
    for (int b = 1; b <= kDeclarationBlockCount; ++b) {
        std::string text = DeclarationBlock(b);
        ASSERT_FALSE(text.empty());
        EXPECT_EQ(text.back(), '\n');
        std::vector<std::string> lines = Lines(text.c_str());
        ASSERT_EQ(lines.size(), blocks[b - 1].count) << "block " << b;
        EXPECT_EQ(NameOf(lines.front()), blocks[b - 1].first);
        EXPECT_EQ(NameOf(lines.back()), blocks[b - 1].last);
        for (const std::string& l : lines) {
            EXPECT_TRUE(std::regex_match(l, line)) << l;
            EXPECT_TRUE(names.insert(NameOf(l)).second) << "declared twice: " << l;
        }
        total += lines.size();
    }
    // The 123 of the table, the two the recorder needs and the loop crossfade.
    EXPECT_EQ(total, 126u);
    EXPECT_NE(std::string(DeclarationBlock(7))
                  .find("Declare Function obCrossfadeLoop App (ByVal waveid&, ByVal area&, ByVal "
                        "amount&, ByVal tailor&, ByVal sustain&, ByVal log&) As Long\n"),
              std::string::npos);
    EXPECT_EQ(DeclarationBlock(0), nullptr);
    EXPECT_EQ(DeclarationBlock(8), nullptr);

    std::string b2 = DeclarationBlock(2);
    EXPECT_NE(b2.find("Declare Function obGain App (ByVal waveid&, ByVal db#) As Long\n"),
              std::string::npos);
    EXPECT_NE(b2.find("Declare Function obGetSampleValueFloat App (ByVal waveid&, ByVal offset&) "
                      "As Single\n"),
              std::string::npos);
    EXPECT_NE(
        b2.find(
            "Declare Function obGetSampleBuffer App (ByVal waveid&, ByVal offset&, ByVal size&, "
            "ByRef ary() As Integer) As Long\n"),
        std::string::npos);
    EXPECT_NE(std::string(DeclarationBlock(1))
                  .find("Declare Function obGetVersionInfo App () As String\n"),
              std::string::npos);
}

TEST(ScriptTable, EveryDeclaredNameResolvesWithoutRegardToCase) {
    for (int b = 1; b <= kDeclarationBlockCount; ++b) {
        for (const std::string& l : Lines(DeclarationBlock(b))) {
            std::string name = NameOf(l);
            void* address = ResolveScriptFunction(0, name.c_str());
            EXPECT_NE(address, nullptr) << name;
            std::string upper = name, lower = name;
            for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
            for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
            EXPECT_EQ(ResolveScriptFunction(0, upper.c_str()), address) << upper;
            EXPECT_EQ(ResolveScriptFunction(0, lower.c_str()), address) << lower;
        }
    }
    EXPECT_EQ(ResolveScriptFunction(0, "obGain"), reinterpret_cast<void*>(&obGain));
    EXPECT_EQ(ResolveScriptFunction(0, "OBPLAYLOOP"), reinterpret_cast<void*>(&obPlayLoop));
    // Shared implementations.
    EXPECT_EQ(ResolveScriptFunction(0, "obSilence"), ResolveScriptFunction(0, "obMute"));
    EXPECT_EQ(ResolveScriptFunction(0, "obScaleToFull"), ResolveScriptFunction(0, "obMaximize"));
    EXPECT_EQ(ResolveScriptFunction(0, "obRemove"), ResolveScriptFunction(0, "obDeleteAffectArea"));
    EXPECT_NE(ResolveScriptFunction(0, "obGain"), ResolveScriptFunction(0, "obNormalize"));
    // Anything else yields null.
    EXPECT_EQ(ResolveScriptFunction(0, "obGai"), nullptr);
    EXPECT_EQ(ResolveScriptFunction(0, "obGainX"), nullptr);
    EXPECT_EQ(ResolveScriptFunction(0, ""), nullptr);
    EXPECT_EQ(ResolveScriptFunction(0, nullptr), nullptr);
    EXPECT_EQ(ResolveScriptFunction(0, "MsgBox"), nullptr);
}

TEST(ScriptTable, ConstantBlocksHoldTheGroups) {
    static const std::regex line(R"(^Const (OB_[A-Z0-9_]+)\t= (&H[0-9A-F]+|-?[0-9]+)$)");
    std::vector<std::string> one = Lines(ConstantBlock(1)), two = Lines(ConstantBlock(2));
    for (const auto* lines : {&one, &two})
        for (const std::string& l : *lines) EXPECT_TRUE(std::regex_match(l, line)) << l;
    // Block 1 runs from the message types to the send and receive flags,
    // block 2 from the sample-rate transpose methods to click and pop.
    EXPECT_EQ(one.front(), "Const OB_MSGTYPE_NONE\t= 0");
    EXPECT_EQ(one.back(), "Const OB_SR_CREATEINST\t= &H8");
    EXPECT_EQ(two.front(), "Const OB_SRT_LINEAR\t= 1");
    EXPECT_EQ(two.back(), "Const OB_CLICKANDPOP_CONSERVATIVE\t= 2");
    EXPECT_EQ(one.size(), 4u + 19 + 11 + 4 + 4 + 3 + 8 + 5 + 14 + 4);
    EXPECT_EQ(two.size(), 3u + 3 + 7 + 5 + 15 + 3 + 7 + 3 + 12 + 3);
    EXPECT_EQ(ConstantBlock(3), nullptr);

    int32_t value = -1;
    EXPECT_TRUE(FindScriptConstant("OB_FORMAT_WAV24", value));
    EXPECT_EQ(value, 19);
    EXPECT_TRUE(FindScriptConstant("OB_INQUIRE_FORMAT", value));
    EXPECT_EQ(value, 13);
    EXPECT_FALSE(FindScriptConstant("OB_FORMAT_WAV12", value));
    EXPECT_EQ(ScriptConstantName("OB_AFFECT_", 3), "OB_AFFECT_MARKERS");
    EXPECT_EQ(ScriptConstantName("OB_SM_", 5), "OB_SM_SWAP");
    EXPECT_EQ(ScriptConstantName("OB_SM_", 9), "");
}
