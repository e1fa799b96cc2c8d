// The preset container: round trips in both byte orders, hostile files, the
// kinds table and the preset list.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "dsp/preset_file.h"
#include "dsp/preset_list.h"
#include "wave/file_result.h"

namespace ob {
namespace {

namespace fs = std::filesystem;

// A record of the "ECHO" kind: three 32-bit fields, then the 80-byte name
// (the test's own layout; 96 bytes like the kind table says).
struct EchoRecord {
    uint32_t delay;
    int32_t feedback;
    uint32_t mix;
    char name[80];
    uint32_t pad;
};
static_assert(sizeof(EchoRecord) == 96);

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), {});
}
void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}
std::vector<uint8_t> Le32(uint32_t v) {
    return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}
void Append(std::vector<uint8_t>& to, const std::vector<uint8_t>& more) {
    to.insert(to.end(), more.begin(), more.end());
}
void AppendText(std::vector<uint8_t>& to, const char* text) {
    for (int i = 0; i < 4; ++i) to.push_back(uint8_t(text[i]));
}

class PresetFiles : public testing::Test {
  protected:
    void SetUp() override {
        dir = fs::path(testing::TempDir()) / ("orbick_presets_" + std::to_string(getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string Path(const char* name) { return (dir / name).string(); }
    fs::path dir;
};

TEST_F(PresetFiles, RoundTripInBothByteOrders) {
    EchoRecord rec{};
    rec.delay = 250;
    rec.feedback = -3;
    rec.mix = 0x01020304;
    StoreFieldText(rec.name, sizeof rec.name, "Slap Back");
    ASSERT_EQ(WritePresetFile(Path("a.obx"), "ECHO", &rec, sizeof rec), kFileOk);
    std::vector<uint8_t> bytes = ReadAll(Path("a.obx"));
    ASSERT_EQ(bytes.size(), 20u + 96u);
    EXPECT_EQ(std::memcmp(bytes.data(), "FRBk", 4), 0);
    EXPECT_EQ(bytes[4], 96 + 12);
    EXPECT_EQ(std::memcmp(bytes.data() + 8, "PRESECHO", 8), 0);
    EXPECT_EQ(bytes[16], 96);

    EchoRecord back{};
    bool swapped = true;
    ASSERT_EQ(ReadPresetFile(Path("a.obx"), "ECHO", &back, sizeof back, &swapped), kFileOk);
    EXPECT_FALSE(swapped);
    EXPECT_EQ(std::memcmp(&back, &rec, sizeof rec), 0);

    // The other byte order: sizes and numeric fields swapped by the writer's machine.
    EchoRecord other = rec;
    SwapWords32(&other, 0, 3);
    ASSERT_EQ(WritePresetFile(Path("b.obx"), "ECHO", &other, sizeof other, true), kFileOk);
    bytes = ReadAll(Path("b.obx"));
    EXPECT_EQ(std::memcmp(bytes.data(), "kBRF", 4), 0);
    EXPECT_EQ(bytes[7], 96 + 12);
    ASSERT_EQ(ReadPresetFile(Path("b.obx"), "ECHO", &back, sizeof back, &swapped), kFileOk);
    EXPECT_TRUE(swapped);
    SwapWords32(&back, 0, 3);
    EXPECT_EQ(back.delay, 250u);
    EXPECT_EQ(back.feedback, -3);
    EXPECT_EQ(back.mix, 0x01020304u);
    EXPECT_EQ(FieldText(back.name, sizeof back.name), "Slap Back");

    // An odd record size gets one pad byte.
    uint8_t odd[5] = {1, 2, 3, 4, 5};
    ASSERT_EQ(WritePresetFile(Path("odd.obx"), "MACR", odd, 5), kFileOk);
    EXPECT_EQ(ReadAll(Path("odd.obx")).size(), 26u);
}

TEST_F(PresetFiles, WalksChunksToTheWantedKind) {
    std::vector<uint8_t> f;
    AppendText(f, "FRBk");
    Append(f, Le32(0));
    AppendText(f, "PRES");
    AppendText(f, "XTRA");
    Append(f, Le32(3));
    f.insert(f.end(), {9, 9, 9, 0});  // odd size, pad byte
    AppendText(f, "ECHO");
    Append(f, Le32(8));  // stated smaller than the record: not compared
    for (int i = 0; i < 96; ++i) f.push_back(uint8_t(i));
    WriteAll(Path("c.obx"), f);
    EchoRecord back{};
    ASSERT_EQ(ReadPresetFile(Path("c.obx"), "ECHO", &back, sizeof back, nullptr), kFileOk);
    EXPECT_EQ(reinterpret_cast<uint8_t*>(&back)[95], 95);
    EXPECT_EQ(ReadPresetFile(Path("c.obx"), "RVRB", &back, sizeof back, nullptr), kItemNotFound);
}

TEST_F(PresetFiles, HostileFilesGiveResultCodes) {
    EchoRecord back{};
    EXPECT_EQ(ReadPresetFile(Path("missing.obx"), "ECHO", &back, sizeof back, nullptr),
              kCantOpenFile);
    WriteAll(Path("short"), {'F', 'R', 'B', 'k', 0});
    EXPECT_EQ(ReadPresetFile(Path("short"), "ECHO", &back, sizeof back, nullptr), kFileReadError);
    std::vector<uint8_t> f;
    AppendText(f, "RIFF");
    Append(f, Le32(4));
    AppendText(f, "PRES");
    WriteAll(Path("form"), f);
    EXPECT_EQ(ReadPresetFile(Path("form"), "ECHO", &back, sizeof back, nullptr), kFileFormImproper);
    std::memcpy(f.data(), "FRBk", 4);
    std::memcpy(f.data() + 8, "WAVE", 4);
    WriteAll(Path("type"), f);
    EXPECT_EQ(ReadPresetFile(Path("type"), "ECHO", &back, sizeof back, nullptr), kFileTypeImproper);

    // A record shorter than the kind's size: File Read Error.
    EchoRecord rec{};
    ASSERT_EQ(WritePresetFile(Path("trunc"), "ECHO", &rec, 60), kFileOk);
    EXPECT_EQ(ReadPresetFile(Path("trunc"), "ECHO", &back, sizeof back, nullptr), kFileReadError);

    // A chunk whose size runs past the end ends the walk.
    f.clear();
    AppendText(f, "FRBk");
    Append(f, Le32(0));
    AppendText(f, "PRES");
    AppendText(f, "JUNK");
    Append(f, Le32(0xFFFFFFF0u));
    f.resize(200, 7);
    WriteAll(Path("huge"), f);
    EXPECT_EQ(ReadPresetFile(Path("huge"), "ECHO", &back, sizeof back, nullptr), kItemNotFound);

    // Random bytes and every truncation of a good file: a code, never a fault.
    ASSERT_EQ(WritePresetFile(Path("good"), "ECHO", &rec, sizeof rec), kFileOk);
    std::vector<uint8_t> good = ReadAll(Path("good"));
    for (size_t n = 0; n < good.size(); ++n) {
        int r = ReadPresetBytes(good.data(), n, "ECHO", &back, sizeof back, nullptr);
        EXPECT_NE(r, kFileOk) << n;
    }
    std::mt19937 rng(7);
    for (int i = 0; i < 2000; ++i) {
        std::vector<uint8_t> junk(rng() % 64);
        for (auto& b : junk) b = uint8_t(rng());
        if (i % 2 && !junk.empty())
            std::memcpy(junk.data(), "FRBk\0\0\0\0PRES", std::min<size_t>(12, junk.size()));
        int r = ReadPresetBytes(junk.data(), junk.size(), "ECHO", &back, sizeof back, nullptr);
        EXPECT_GE(r, 0);
        EXPECT_LE(r, 13);
    }
    EXPECT_EQ(ReadPresetBytes(nullptr, 0, "ECHO", &back, sizeof back, nullptr), kFileReadError);
}

TEST_F(PresetFiles, FailedWriteKeepsThePreviousFile) {
    EchoRecord rec{};
    StoreFieldText(rec.name, sizeof rec.name, "first");
    ASSERT_EQ(WritePresetFile(Path("keep.obx"), "ECHO", &rec, sizeof rec), kFileOk);
    std::vector<uint8_t> before = ReadAll(Path("keep.obx"));
    EXPECT_EQ(WritePresetFile(Path("nodir/x.obx"), "ECHO", &rec, sizeof rec), kCantOpenFile);
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    if (getuid() != 0) {
        StoreFieldText(rec.name, sizeof rec.name, "second");
        EXPECT_NE(WritePresetFile(Path("keep.obx"), "ECHO", &rec, sizeof rec), kFileOk);
        EXPECT_EQ(ReadAll(Path("keep.obx")), before);
    }
    fs::permissions(dir, fs::perms::owner_all);
}

TEST(PresetFields, TextFieldsAreCutAtTheirSize) {
    char field[80];
    std::memset(field, 'x', sizeof field);  // no NUL at all
    EXPECT_EQ(FieldText(field, sizeof field), std::string(80, 'x'));
    StoreFieldText(field, sizeof field, std::string(100, 'y'));
    EXPECT_EQ(FieldText(field, sizeof field), std::string(79, 'y'));
    EXPECT_EQ(field[79], 0);
}

TEST(PresetKinds, TableAndTexts) {
    ASSERT_NE(FindPresetKind("SRTR"), nullptr);
    EXPECT_EQ(FindPresetKind("SRTR")->recordSize, 100u);
    EXPECT_EQ(FindPresetKind("GEN2")->builtIns, 21u);
    EXPECT_EQ(FindPresetKind("TRFN")->recordSize, 220u);
    EXPECT_EQ(FindPresetKind("NOPE"), nullptr);
    EXPECT_EQ(PresetReadErrorText(FindPresetKind("SRTR")->dialog),
              "Error Reading Sample Rate Transpose Preset File");
    EXPECT_EQ(PresetWriteErrorText("Compressor"), "Error Writing Compressor Preset File");
    for (const PresetKindInfo& k : kPresetKinds) {
        EXPECT_EQ(std::strlen(k.kind), 4u);
        EXPECT_GE(k.recordSize, kPresetNameBytes);
    }
}

TEST_F(PresetFiles, ListHoldsFilesOfTheKindThenBuiltIns) {
    EchoRecord rec{};
    StoreFieldText(rec.name, sizeof rec.name, "From File");
    ASSERT_EQ(WritePresetFile(Path("one.obx"), "ECHO", &rec, sizeof rec), kFileOk);
    StoreFieldText(rec.name, sizeof rec.name, "Second File");
    ASSERT_EQ(WritePresetFile(Path("two.obxe"), "ECHO", &rec, sizeof rec), kFileOk);
    ASSERT_EQ(WritePresetFile(Path("reverb.obx"), "RVRB", &rec, sizeof rec), kFileOk);
    ASSERT_EQ(WritePresetFile(Path("swapped.obx"), "ECHO", &rec, sizeof rec, true), kFileOk);
    WriteAll(Path("junk.obx"), {1, 2, 3});
    // Listed by its header, but its record is cut short: an empty slot.
    ASSERT_EQ(WritePresetFile(Path("short.obx"), "ECHO", &rec, 40), kFileOk);
    fs::create_directories(dir / "folder.obx");

    EchoRecord builtIns[2]{};
    StoreFieldText(builtIns[0].name, 80, "Built In A");
    StoreFieldText(builtIns[1].name, 80, "Built In B");
    PresetList list;
    ASSERT_EQ(BuildPresetList(dir.string() + "/*", "ECHO", sizeof(EchoRecord), builtIns, 2, list),
              kFileOk);
    EXPECT_EQ(list.fileCount, 3u);
    EXPECT_EQ(list.count, 5u);
    std::vector<std::string> fileNames;
    for (uint32_t i = 0; i < list.fileCount; ++i) fileNames.push_back(list.Name(i, 12));
    std::sort(fileNames.begin(), fileNames.end());
    EXPECT_EQ(fileNames, (std::vector<std::string>{"", "From File", "Second File"}));
    EXPECT_EQ(list.Name(3, 12), "Built In A");
    EXPECT_EQ(list.Name(4, 12), "Built In B");

    PresetList none;
    EXPECT_EQ(BuildPresetList(Path("absent"), "ECHO", 96, builtIns, 2, none), kFileOk);
    EXPECT_EQ(none.count, 2u);
}

}  // namespace
}  // namespace ob

#include "dsp/preset_dialog.h"
#include "tests/dsp/recording_ui.h"

namespace ob {
namespace {

void SwapEcho(void* record) {
    SwapWords32(record, 0, 3);
}

TEST_F(PresetFiles, DialogLoadSaveAndList) {
    RecordingUserInterface ui;
    const PresetKindInfo& echo = *FindPresetKind("ECHO");
    EchoRecord rec{};
    rec.delay = 123;
    StoreFieldText(rec.name, 80, "Mine");
    ASSERT_TRUE(SavePreset(Path("mine.obx"), echo, &rec));
    EchoRecord other = rec;
    SwapWords32(&other, 0, 3);
    ASSERT_EQ(WritePresetFile(Path("other.obx"), "ECHO", &other, sizeof other, true), kFileOk);

    EchoRecord loaded{};
    ASSERT_TRUE(LoadPreset(Path("other.obx"), echo, &loaded, SwapEcho));
    EXPECT_EQ(loaded.delay, 123u);
    EchoRecord untouched{};
    untouched.delay = 9;
    EXPECT_FALSE(LoadPreset(Path("absent.obx"), echo, &untouched, SwapEcho));
    EXPECT_EQ(untouched.delay, 9u);
    EXPECT_EQ(ui.boxes.back().caption, "Sample Orbick 24/96");
    EXPECT_EQ(ui.boxes.back().text, "Error Reading Echo Preset File");
    EXPECT_FALSE(SavePreset(Path("nodir/x.obx"), echo, &rec));
    EXPECT_EQ(ui.boxes.back().text, "Error Writing Echo Preset File");

    gPresetsFolder = dir.string();
    std::vector<EchoRecord> builtIns(echo.builtIns);
    int runs = 0;
    EXPECT_TRUE(
        OpenPresetDialog(nullptr, kDialogReverb, echo, builtIns.data(), [&](PresetList& list) {
            ++runs;
            EXPECT_EQ(list.fileCount, 1u);  // the other byte order is not listed
            EXPECT_EQ(list.count, 1u + echo.builtIns);
            EXPECT_EQ(list.Name(0, 12), "Mine");
        }));
    EXPECT_EQ(runs, 1);
    gPresetsFolder.clear();
}

}  // namespace
}  // namespace ob
