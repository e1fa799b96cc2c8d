// codefile_test.cpp: compiled-code files edited by hand with their checksum
// recomputed (the loader must refuse every token the scanner could not have
// recorded, so nothing hostile reaches the parser or the interpreter), and
// saving through a temporary file that never destroys the old one.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>

#include "engine/symbols.h"
#include "engine_test_util.h"

namespace {

using namespace tessel;

std::string TempPath(const std::string& name) {
    return std::string("/tmp/tessel_codefile_") + std::to_string(getpid()) + "_" + name;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const std::string& data) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << data;
}

uint32_t Get32(const std::string& d, size_t at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= (uint32_t)(uint8_t)d[at + i] << (8 * i);
    return v;
}

void Put32(std::string& d, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) d[at + i] = (char)((v >> (8 * i)) & 0xFF);
}

// The file's layout: where each token's kind, last character and value are,
// and the name texts; the checksum (FNV-1a over the file with the word at
// 16 as zero) is written back after every edit, as a forger would.
struct CodeFile {
    std::string data;
    uint32_t count = 0;
    size_t kinds = 0, chars = 0, values = 0, texts = 0;
    std::vector<std::string> names;

    explicit CodeFile(std::string d) : data(std::move(d)) {
        size_t kindsLen = Get32(data, 0);
        count = Get32(data, 12);
        kinds = 8 + 20;
        size_t charsRec = 8 + kindsLen;
        chars = charsRec + 8 + 12;
        size_t valuesRec = charsRec + 8 + Get32(data, charsRec);
        values = valuesRec + 8 + 12;
        size_t namesRec = valuesRec + 8 + Get32(data, valuesRec);
        texts = namesRec + 8 + 16;
        for (size_t p = texts; p < data.size();) {
            size_t e = data.find('\0', p);
            names.push_back(data.substr(p, e - p));
            p = e + 1;
        }
    }
    int Kind(uint32_t i) const {
        return (uint8_t)data[kinds + 2 * i] | ((uint8_t)data[kinds + 2 * i + 1] << 8);
    }
    uint32_t Value(uint32_t i) const { return Get32(data, values + 4 * i); }
    void SetKind(uint32_t i, int k) {
        data[kinds + 2 * i] = (char)(k & 0xFF);
        data[kinds + 2 * i + 1] = (char)(k >> 8);
    }
    void SetLast(uint32_t i, char c) { data[chars + i] = c; }
    void SetValue(uint32_t i, uint32_t v) { Put32(data, values + 4 * i, v); }
    int NameIndex(const std::string& text) const {
        for (size_t i = 0; i < names.size(); ++i)
            if (names[i] == text) return (int)i;
        return -1;
    }
    // The first token of a kind whose name is `text` (any name when empty).
    int Token(int kind, const std::string& text = "") const {
        for (uint32_t i = 0; i < count; ++i)
            if (Kind(i) == kind && (text.empty() || names[Value(i)] == text)) return (int)i;
        return -1;
    }
    std::string Sealed() const {
        std::string d = data;
        Put32(d, 16, 0);
        uint32_t h = 2166136261u;
        for (size_t i = 0; i < d.size(); ++i) h = (h ^ (uint8_t)d[i]) * 16777619u;
        Put32(d, 16, h);
        return d;
    }
};

const char kProgram[] =
    "Sub Main\n"
    "  Dim a(3) As Long, i As Long, s As Long\n"
    "  For i = 1 To 3\n"
    "    a(i) = Add2(i, 10)\n"
    "    s = s + a(i)\n"
    "  Next i\n"
    "  Print s; Twice(4)\n"
    "  Print 1.5; &H10; \"x\"\n"
    "End Sub\n"
    "Function Add2(x As Long, ByVal y As Long) As Long\n"
    "  Add2 = x + y\n"
    "End Function\n"
    "Function Twice(v)\n"
    "  Twice = v * 2\n"
    "End Function\n";

std::string Compiled() {
    std::string path = TempPath("base.bin");
    Engine e;
    EXPECT_EQ(e.Compile(kProgram), TES_OK);
    EXPECT_EQ(tesSaveCompiledCode(e.ctx, path.c_str()), TES_OK);
    std::string data = ReadAll(path);
    unlink(path.c_str());
    return data;
}

// Loads `data` into a fresh context; runs it when it loads. Returns the
// load result and the output.
TesResult LoadAndRun(const std::string& data, std::string* output = nullptr) {
    std::string path = TempPath("edited.bin");
    WriteAll(path, data);
    Engine e;
    tesSetRunLimits(e.ctx, 100000, 1);
    TesResult r = tesLoadCompiledCode(e.ctx, path.c_str());
    if (r == TES_OK) tesExecute(e.ctx);
    if (output) *output = e.Output();
    if (r == TES_E_BADCODEFILE) {
        EXPECT_FALSE(e.Errors().empty());
        if (!e.Errors().empty()) {
            EXPECT_EQ(e.Errors()[0].text, "Invalid file\n");
        }
    }
    unlink(path.c_str());
    return r;
}

TEST(CompiledCode, UneditedFileLoadsAndRuns) {
    CodeFile f(Compiled());
    std::string out;
    ASSERT_EQ(LoadAndRun(f.Sealed(), &out), TES_OK);
    EXPECT_EQ(out, " 36 8\n 1.5 16 x\n");
}

// The cases found by hand: an identifier turned into a declared array, a
// declared function or sub, or a label (kinds the parser gives names, never
// stored), pointing at the empty name, at a constant or at a procedure.
// Each loaded and then read a constant as a function record, freed or
// overran the frame in the call fast path, or indexed an array cell that
// did not exist.
TEST(CompiledCode, ParserKindsInTheStreamAreRefused) {
    CodeFile base(Compiled());
    int call = base.Token(T_IDENT, "Add2");
    int lit = base.NameIndex("10");
    int fn = base.NameIndex("Add2");
    int var = base.Token(T_IDENT, "s");
    ASSERT_GE(call, 0);
    ASSERT_GE(lit, 0);
    ASSERT_GE(fn, 0);
    ASSERT_GE(var, 0);
    const int parserKinds[] = {T_DECLARRAY, T_DECLFUNC,    T_DECLSUB,      T_DECLCONST,
                               T_DECLLABEL, T_DECLOBJNAME, T_DECLTYPENAME, T_DECLOBJMETH,
                               T_QUALIFIER, T_WITHDOT,     T_DECLDLGTYPE,  T_DECLTYPEIMPL,
                               T_ENDSTMT,   T_PRINT,       T_SUB,          T_ERROR};
    for (int kind : parserKinds) {
        for (int token : {call, var}) {
            for (uint32_t value : {0u, (uint32_t)lit, (uint32_t)fn}) {
                CodeFile f = base;
                f.SetKind(token, kind);
                f.SetValue(token, value);
                EXPECT_EQ(LoadAndRun(f.Sealed()), TES_E_BADCODEFILE)
                    << "kind " << kind << " token " << token << " value " << value;
            }
        }
    }
}

// A name of the wrong form for its token: a number or a string as an
// identifier, an identifier as a number, a keyword's internal name, a
// string holding a quote.
TEST(CompiledCode, NamesMustSuitTheirTokenKind) {
    CodeFile base(Compiled());
    int ident = base.Token(T_IDENT, "Add2");
    int integer = base.Token(T_INTEGER, "10");
    ASSERT_GE(ident, 0);
    ASSERT_GE(integer, 0);
    struct Case {
        int token;
        std::string name;
    };
    for (const Case& c :
         {Case{ident, "10"}, Case{ident, "<identifier"}, Case{ident, "{DeclaredFuncName"},
          Case{ident, ""}, Case{integer, "Add2"}, Case{integer, "1.5"}, Case{integer, "&H10"},
          Case{integer, "<integer"}, Case{integer, ""}}) {
        int index = base.NameIndex(c.name);
        ASSERT_GE(index, 0) << c.name;
        CodeFile f = base;
        f.SetValue(c.token, index);
        f.SetLast(c.token, c.name.empty() ? 0 : c.name.back());
        EXPECT_EQ(LoadAndRun(f.Sealed()), TES_E_BADCODEFILE) << c.name;
    }
    // As a real or a hex number the integer's name is wrong too.
    for (int kind : {T_REAL, T_HEX}) {
        CodeFile f = base;
        f.SetKind(integer, kind);
        EXPECT_EQ(LoadAndRun(f.Sealed()), TES_E_BADCODEFILE) << kind;
    }
    // A name index past the table, a last character that does not match.
    {
        CodeFile f = base;
        f.SetValue(ident, (uint32_t)base.names.size());
        EXPECT_EQ(LoadAndRun(f.Sealed()), TES_E_BADCODEFILE);
    }
    {
        CodeFile f = base;
        f.SetLast(integer, '7');
        EXPECT_EQ(LoadAndRun(f.Sealed()), TES_E_BADCODEFILE);
    }
}

// Edits that the scanner could have produced still load: the file is
// checked for what source text could give, not for being unchanged.
TEST(CompiledCode, EditsSourceCouldGiveStillLoad) {
    CodeFile base(Compiled());
    int times = base.Token(T_MUL);
    ASSERT_GE(times, 0);
    CodeFile f = base;
    f.SetKind(times, T_PLUS);
    f.SetLast(times, '+');
    std::string out;
    ASSERT_EQ(LoadAndRun(f.Sealed(), &out), TES_OK);
    EXPECT_EQ(out, " 36 6\n 1.5 16 x\n");  // Twice(4) is now 4 + 2
}

// End-of-file marks: value 1 between sources, value 0 only as the last
// token; operators and line ends carry no name.
TEST(CompiledCode, StreamStructureIsChecked) {
    CodeFile base(Compiled());
    uint32_t last = base.count - 1;
    ASSERT_EQ(base.Kind(last), T_EOF);
    {
        CodeFile f = base;
        f.SetValue(last, 1);
        EXPECT_EQ(LoadAndRun(f.Sealed()), TES_E_BADCODEFILE);
    }
    {
        CodeFile f = base;  // the end before the end
        f.SetKind(0, T_EOF);
        f.SetValue(0, 0);
        f.SetLast(0, 0);
        EXPECT_EQ(LoadAndRun(f.Sealed()), TES_E_BADCODEFILE);
    }
    {
        CodeFile f = base;  // the final mark replaced by a line end
        f.SetKind(last, T_EOL);
        f.SetLast(last, '\n');
        EXPECT_EQ(LoadAndRun(f.Sealed()), TES_E_BADCODEFILE);
    }
    {
        CodeFile f = base;
        int eol = base.Token(T_EOL);
        f.SetValue(eol, 5);
        EXPECT_EQ(LoadAndRun(f.Sealed()), TES_E_BADCODEFILE);
    }
}

// Every token of the file set to every kind, each with its own value and
// the value of a procedure name: whatever loads must run without fault (the
// sanitizer build runs this too), and every kind the scanner never records
// is refused.
TEST(CompiledCode, EveryKindAtEveryTokenIsSafe) {
    CodeFile base(Compiled());
    int fn = base.NameIndex("Twice");
    ASSERT_GE(fn, 0);
    auto scanned = [](int k) {
        return k == T_IDENT || k == T_HEX || k == T_INTEGER || k == T_REAL || k == T_STRING ||
               k == T_DOT || k == T_EOL || k == T_EOF ||
               (k >= T_EQ && k <= T_RPAREN && k != T_MOD) || k == T_COMMA || k == T_COLON ||
               k == T_SEMI || k == T_HASH || k == T_ASSIGNNAMED;
    };
    int loaded = 0;
    for (uint32_t i = 0; i < base.count; i += 5) {
        for (int kind = 0; kind < T_COUNT; ++kind) {
            CodeFile f = base;
            f.SetKind(i, kind);
            if (!scanned(kind)) f.SetValue(i, kind % 2 ? fn : base.Value(i));
            TesResult r = LoadAndRun(f.Sealed());
            if (!scanned(kind)) {
                EXPECT_EQ(r, TES_E_BADCODEFILE) << i << " " << kind;
            }
            if (r == TES_OK) ++loaded;
        }
    }
    EXPECT_GT(loaded, 0);
}

// ---- saving ---------------------------------------------------------------

TesResult SaveProgram(const std::string& path) {
    Engine e;
    EXPECT_EQ(e.Compile(kProgram), TES_OK);
    return tesSaveCompiledCode(e.ctx, path.c_str());
}

TEST(CompiledCode, SaveReplacesThroughATemporaryAndKeepsLinksAndMode) {
    std::string dir = TempPath("dir");
    ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
    std::string target = dir + "/code.bin", link = dir + "/link.bin";
    WriteAll(target, "old contents");
    chmod(target.c_str(), 0640);
    ASSERT_EQ(symlink("code.bin", link.c_str()), 0);
    ASSERT_EQ(SaveProgram(link), TES_OK);
    struct stat st;
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));  // the link stays a link
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    CodeFile f(ReadAll(target));
    EXPECT_EQ(LoadAndRun(f.Sealed()), TES_OK);
    // Nothing else is left in the folder.
    std::string cmd = "ls -A " + dir + " | wc -l";
    FILE* p = popen(cmd.c_str(), "r");
    int entries = 0;
    ASSERT_TRUE(p);
    ASSERT_EQ(fscanf(p, "%d", &entries), 1);
    pclose(p);
    EXPECT_EQ(entries, 2);
    unlink(link.c_str());
    unlink(target.c_str());
    rmdir(dir.c_str());
}

TEST(CompiledCode, SaveRefusesTargetsThatAreNotRegularFiles) {
    EXPECT_EQ(SaveProgram("/dev/null"), TES_E_ACCESSDENIED);
    std::string fifo = TempPath("fifo"), link = TempPath("null-link");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(SaveProgram(fifo), TES_E_ACCESSDENIED);
    struct stat st;
    ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    ASSERT_EQ(symlink("/dev/null", link.c_str()), 0);
    EXPECT_EQ(SaveProgram(link), TES_E_ACCESSDENIED);
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(SaveProgram("/tmp"), TES_E_ACCESSDENIED);
    EXPECT_EQ(SaveProgram("/nonexistent-folder/code.bin"), TES_E_FILENOTFOUND);
    unlink(fifo.c_str());
    unlink(link.c_str());
}

// A write that fails (here the file-size limit, as on a full disk) leaves
// the old file whole and no temporary behind.
TEST(CompiledCode, FailedSaveKeepsTheOldFile) {
    std::string dir = TempPath("limit");
    ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
    std::string target = dir + "/code.bin";
    std::string old(100, 'k');
    WriteAll(target, old);
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 64;  // smaller than any compiled program
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    TesResult r = SaveProgram(target);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(r, TES_E_FAIL);
    EXPECT_EQ(ReadAll(target), old);
    FILE* p = popen(("ls -A " + dir + " | wc -l").c_str(), "r");
    int entries = 0;
    ASSERT_TRUE(p);
    ASSERT_EQ(fscanf(p, "%d", &entries), 1);
    pclose(p);
    EXPECT_EQ(entries, 1);
    unlink(target.c_str());
    rmdir(dir.c_str());
}

}  // namespace
