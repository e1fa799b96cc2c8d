// builtins.cpp: the runtime functions of the language (math, conversions,
// text, arrays, files, type tests) and their declaration table.
#include "engine/builtins.h"
#include "engine/builtins_runtime.h"

#include "engine/runtime/dates.h"
#include "engine/runtime/format.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace tessel {

namespace {

// Argument helpers: after CallBuiltin's conversion the cells hold the
// declared types, so these read them directly.
double D(Cell* a) { return a->v.d; }
int16_t I(Cell* a) { return a->v.i; }
int32_t L(Cell* a) { return a->v.l; }
const std::string& S(Cell* a) { return (a->flags & CF_LAZY) ? a->link->s : a->s; }
Cell* V(Cell* a) {
    // "any value" arguments: the variable itself when one was passed
    if ((a->flags & CF_LINKED) && a->link) return Deref(a->link);
    return a;
}

#define BI(name) bool name(ScriptContext& ctx, Cell* a, int n, Cell* out, std::string& err)
#define UNUSED (void)ctx; (void)a; (void)n; (void)out; (void)err

BI(bAbs) {
    UNUSED;
    Cell* v = V(a);
    uint16_t t = TypeOf(v);
    double d = 0;
    if (t == VT_EMPTY) d = 0;
    else if (t == VT_INTEGER || t == VT_LONG || t == VT_SINGLE || t == VT_DOUBLE || t == VT_STRING) GetDouble(v, d, err);
    else {
        char buf[64];
        std::snprintf(buf, sizeof buf, "Abs( UnknownType: %d )\n", t);
        ReportWarning(ctx, buf);
    }
    SetDouble(out, std::fabs(d));
    return true;
}
BI(bAtn) { UNUSED; SetDouble(out, std::atan(D(a))); return true; }
BI(bCos) { UNUSED; SetDouble(out, std::cos(D(a))); return true; }
BI(bSin) { UNUSED; SetDouble(out, std::sin(D(a))); return true; }
BI(bTan) { UNUSED; SetDouble(out, std::tan(D(a))); return true; }
BI(bExp) { UNUSED; SetDouble(out, std::exp(D(a))); return true; }
BI(bLog) {
    UNUSED;
    if (D(a) <= 0) { err = "Invalid procedure call\n"; return false; }
    SetDouble(out, std::log(D(a)));
    return true;
}
BI(bSqr) {
    UNUSED;
    if (D(a) < 0) { err = "Invalid procedure call\n"; return false; }
    SetDouble(out, std::sqrt(D(a)));
    return true;
}
BI(bRnd) { UNUSED; SetDouble(out, (double)(std::rand() & 32767) / 32767.0); return true; }
BI(bCDbl) { UNUSED; SetDouble(out, D(a)); return true; }
BI(bCSng) { UNUSED; SetSingle(out, (float)D(a)); return true; }
BI(bCInt) {
    UNUSED;
    int16_t v;
    if (!RoundToShort(D(a), v)) { err = "Overflow\n"; return false; }
    SetInteger(out, v);
    return true;
}
BI(bCLng) {
    UNUSED;
    int32_t v;
    if (!RoundToLong(D(a), v)) { err = "Overflow\n"; return false; }
    SetLong(out, v);
    return true;
}
static bool ToLong(double d, Cell* out, std::string& err) {
    if (!(d >= -2147483648.0 && d <= 2147483647.0)) { err = "Overflow\n"; return false; }
    SetLong(out, (int32_t)d);
    return true;
}
BI(bFix) { UNUSED; return ToLong(std::trunc(D(a)), out, err); }
BI(bInt) { UNUSED; return ToLong(std::floor(D(a)), out, err); }
BI(bCStr) { UNUSED; SetString(out, FormatC("%g", D(a))); return true; }
BI(bStr) { UNUSED; SetString(out, FormatC("%.14g", D(a))); return true; }
BI(bVal) { UNUSED; SetDouble(out, TextToDouble(S(a))); return true; }
static bool Radix(double d, bool octal, Cell* out, std::string& err) {
    double r = std::trunc(d + 0.5);
    if (!(r >= -2147483648.0 && r <= 4294967295.0)) { err = "Overflow\n"; return false; }
    long v = (long)r;
    char buf[40];
    if (octal) std::snprintf(buf, sizeof buf, "%lo", (unsigned long)(v & 0xFFFF));
    else std::snprintf(buf, sizeof buf, "%lx", (unsigned long)(uint32_t)v);
    SetString(out, buf);
    return true;
}
BI(bHex) { UNUSED; return Radix(D(a), false, out, err); }
BI(bOct) { UNUSED; return Radix(D(a), true, out, err); }

BI(bAsc) { UNUSED; SetInteger(out, S(a).empty() ? 0 : (int16_t)(signed char)S(a)[0]); return true; }
BI(bChr) {
    UNUSED;
    if (I(a) < 0 || I(a) > 255) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "Illegal Function Call! Chr(%d)\n", I(a));
        err = buf;
        SetString(out, "");
        return false;
    }
    SetString(out, std::string(1, (char)I(a)));
    return true;
}
BI(bLeft) {
    UNUSED;
    size_t k = (size_t)L(a + 1);
    SetString(out, S(a).substr(0, std::min(k, S(a).size())));
    return true;
}
BI(bRight) {
    UNUSED;
    size_t k = std::min((size_t)L(a + 1), S(a).size());
    SetString(out, S(a).substr(S(a).size() - k));
    return true;
}
BI(bMid) {
    UNUSED;
    int32_t start = L(a + 1), len = L(a + 2);
    if (start < 1) { err = "Invalid procedure call\n"; return false; }
    const std::string& s = S(a);
    if ((size_t)start > s.size()) { SetString(out, ""); return true; }
    SetString(out, s.substr(start - 1, (size_t)len));
    return true;
}
BI(bInStr) {
    UNUSED;
    int32_t start = L(a);
    if (start < 1) { err = "Invalid procedure call\n"; return false; }
    const std::string& s = S(a + 1);
    const std::string& t = S(a + 2);
    if ((size_t)start > s.size() + 1) { SetLong(out, 0); return true; }
    size_t p = s.find(t, start - 1);
    SetLong(out, p == std::string::npos ? 0 : (int32_t)p + 1);
    return true;
}
BI(bStrComp) {
    UNUSED;
    int r = strcasecmp(S(a).c_str(), S(a + 1).c_str());
    SetInteger(out, r < 0 ? -1 : r > 0 ? 1 : 0);
    return true;
}
BI(bUCase) {
    UNUSED;
    std::string s = S(a).substr(0, 65001);
    for (auto& c : s) c = (char)std::toupper((unsigned char)c);
    SetString(out, s);
    return true;
}
BI(bLCase) {
    UNUSED;
    std::string s = S(a).substr(0, 65001);
    for (auto& c : s) c = (char)std::tolower((unsigned char)c);
    SetString(out, s);
    return true;
}
BI(bLTrim) {
    UNUSED;
    size_t i = S(a).find_first_not_of(' ');
    SetString(out, i == std::string::npos ? "" : S(a).substr(i));
    return true;
}
BI(bRTrim) {
    UNUSED;
    size_t i = S(a).find_last_not_of(' ');
    SetString(out, i == std::string::npos ? "" : S(a).substr(0, i + 1));
    return true;
}
BI(bTrim) {
    UNUSED;
    size_t i = S(a).find_first_not_of(' ');
    size_t j = S(a).find_last_not_of(' ');
    SetString(out, i == std::string::npos ? "" : S(a).substr(i, j - i + 1));
    return true;
}
BI(bSpace) { UNUSED; SetString(out, std::string((size_t)L(a), ' ')); return true; }
BI(bString) { UNUSED; SetString(out, std::string((size_t)L(a), S(a + 1).empty() ? ' ' : S(a + 1)[0])); return true; }
BI(bLen) {
    UNUSED;
    Cell* v = V(a);
    switch (TypeOf(v)) {
        case VT_STRING: { std::string s; GetString(v, s, err); SetLong(out, (int32_t)s.size()); return true; }
        case VT_INTEGER: SetLong(out, 2); return true;
        case VT_LONG: case VT_SINGLE: SetLong(out, 4); return true;
        case VT_DOUBLE: SetLong(out, 8); return true;
        case VT_EMPTY: case VT_NULL: SetLong(out, 0); return true;
        default: {
            char buf[64];
            std::snprintf(buf, sizeof buf, "Len( Unknown type: %d )\n", TypeOf(v));
            err = buf;
            return false;
        }
    }
}
BI(bVarType) { UNUSED; SetInteger(out, (int16_t)TypeOf(V(a))); return true; }
BI(bIsEmpty) { UNUSED; SetInteger(out, TypeOf(V(a)) == VT_EMPTY ? -1 : 0); return true; }
BI(bIsNull) { UNUSED; SetInteger(out, TypeOf(V(a)) == VT_NULL ? -1 : 0); return true; }
BI(bIsObject) { UNUSED; SetInteger(out, TypeOf(V(a)) == VT_OBJECT ? -1 : 0); return true; }
BI(bIsArray) { UNUSED; SetInteger(out, (V(a)->flags & CF_ARRAY) ? -1 : 0); return true; }
BI(bIsNumeric) {
    UNUSED;
    Cell* v = V(a);
    uint16_t t = TypeOf(v);
    bool r = false;
    if (t == VT_EMPTY || t == VT_INTEGER || t == VT_LONG || t == VT_SINGLE || t == VT_DOUBLE) r = true;
    else if (t == VT_STRING) {
        std::string s;
        GetString(v, s, err);
        char* end = nullptr;
        const char* p = s.c_str();
        std::strtod(p, &end);
        while (end && *end == ' ') ++end;
        r = end != p && end && *end == 0;
    }
    SetInteger(out, r ? -1 : 0);
    return true;
}
static ArrayData* ArrayOf(Cell* a) {
    Cell* v = V(a);
    return (v->flags & CF_ARRAY) ? v->v.arr : nullptr;
}
BI(bLBound) {
    UNUSED;
    ArrayData* d = ArrayOf(a);
    int dim = I(a + 1) < 1 ? 1 : I(a + 1);
    if (!d) { SetLong(out, 0); return true; }
    if (dim > d->dims) { err = "Subscript out of range\n"; return false; }
    SetLong(out, d->lower[dim - 1]);
    return true;
}
BI(bUBound) {
    UNUSED;
    ArrayData* d = ArrayOf(a);
    int dim = I(a + 1) < 1 ? 1 : I(a + 1);
    if (!d) { SetLong(out, 0); return true; }
    if (dim > d->dims) { err = "Subscript out of range\n"; return false; }
    SetLong(out, d->lower[dim - 1] + (int32_t)d->count[dim - 1] - 1);
    return true;
}
BI(bErase) {
    UNUSED;
    if (ArrayData* d = ArrayOf(a)) d->Allocate();
    return true;
}

// Files.
static FILE* FileOf(ScriptContext& ctx, int n) {
    return n >= 1 && n <= kMaxFiles ? ctx.files[n].fp : nullptr;
}
BI(bEOF) {
    UNUSED;
    FILE* f = FileOf(ctx, I(a));
    if (!f) { SetInteger(out, -1); return true; }
    int c = std::fgetc(f);
    if (c == EOF) { SetInteger(out, -1); return true; }
    std::ungetc(c, f);
    SetInteger(out, 0);
    return true;
}
BI(bLOF) {
    UNUSED;
    FILE* f = FileOf(ctx, I(a));
    struct stat st;
    SetLong(out, f && fstat(fileno(f), &st) == 0 ? (int32_t)st.st_size : 0);
    return true;
}
BI(bSeekFunc) {
    UNUSED;
    FILE* f = FileOf(ctx, I(a));
    SetLong(out, f ? (int32_t)std::ftell(f) : -1);
    return true;
}
BI(bSeekStmt) {
    UNUSED;
    if (FILE* f = FileOf(ctx, I(a))) std::fseek(f, L(a + 1), SEEK_SET);
    return true;
}
BI(bLineInput) {
    UNUSED;
    std::string s;
    if (FILE* f = FileOf(ctx, I(a))) {
        int c;
        while ((c = std::fgetc(f)) != EOF && c != '\n') s += (char)c;
    }
    SetString(out, s);
    return true;
}
BI(bInputField) {
    UNUSED;
    // One comma- or line-separated field; quotes around text are removed.
    std::string s;
    FILE* f = FileOf(ctx, I(a));
    if (f) {
        int c;
        while ((c = std::fgetc(f)) == ' ' || c == '\r' || c == '\n') {}
        if (c == '"') {
            while ((c = std::fgetc(f)) != EOF && c != '"') s += (char)c;
            while ((c = std::fgetc(f)) != EOF && c != ',' && c != '\n') {}
        } else {
            while (c != EOF && c != ',' && c != '\n') { s += (char)c; c = std::fgetc(f); }
            while (!s.empty() && (s.back() == '\r' || s.back() == ' ')) s.pop_back();
        }
    }
    SetString(out, s);
    return true;
}
BI(beInput) {
    UNUSED;
    std::string s;
    if (FILE* f = FileOf(ctx, I(a + 1))) {
        s.resize((size_t)std::max<int16_t>(I(a), 0));
        s.resize(std::fread(s.data(), 1, s.size(), f));
    }
    SetString(out, s);
    return true;
}
BI(bFileLen) {
    UNUSED;
    struct stat st;
    SetLong(out, stat(S(a).c_str(), &st) == 0 ? (int32_t)st.st_size : -1);
    return true;
}
static bool Refused(ScriptContext& ctx, const char* what, std::string& err) {
    if (!ctx.sandbox) return false;
    err = std::string(what) + " is not allowed here\n";
    return true;
}
BI(bKill) { UNUSED; if (Refused(ctx, "Kill", err)) return false; unlink(S(a).c_str()); return true; }
BI(bMkDir) { UNUSED; if (Refused(ctx, "MkDir", err)) return false; mkdir(S(a).c_str(), 0777); return true; }
BI(bRmDir) { UNUSED; if (Refused(ctx, "RmDir", err)) return false; rmdir(S(a).c_str()); return true; }
BI(bChDir) { UNUSED; if (Refused(ctx, "ChDir", err)) return false; if (chdir(S(a).c_str()) != 0) {} return true; }
BI(bName) { UNUSED; if (Refused(ctx, "Name", err)) return false; std::rename(S(a).c_str(), S(a + 1).c_str()); return true; }
BI(bCurDir) {
    UNUSED;
    char buf[4096];
    SetString(out, getcwd(buf, sizeof buf) ? buf : "");
    return true;
}
BI(bFileCopy) {
    UNUSED;
    if (Refused(ctx, "FileCopy", err)) return false;
    FILE* in = std::fopen(S(a).c_str(), "rb");
    if (!in) return true;
    FILE* o = std::fopen(S(a + 1).c_str(), "wb");
    if (o) {
        char buf[16384];
        size_t k;
        while ((k = std::fread(buf, 1, sizeof buf, in)) > 0) std::fwrite(buf, 1, k, o);
        std::fclose(o);
    }
    std::fclose(in);
    return true;
}
BI(bShell) {
    UNUSED;
    if (Refused(ctx, "Shell", err)) return false;
    SetLong(out, std::system(S(a).c_str()));
    return true;
}
BI(bBeep) { UNUSED; std::fputc('\a', stderr); return true; }

// Functions of the runtime library (engine/runtime): values cross as plain
// runtime::Value, failures come back as a Report.
static runtime::Value ToRuntime(Cell* a) {
    Cell* v = V(a);
    runtime::Value r;
    std::string err;
    uint16_t t = TypeOf(v);
    r.isArray = (v->flags & CF_ARRAY) != 0;
    r.type = t;
    if (t == VT_INTEGER || t == VT_LONG || t == VT_SINGLE || t == VT_DOUBLE) GetDouble(v, r.number, err);
    else if (t == VT_STRING) GetString(v, r.text, err);
    else if (t != VT_EMPTY && t != VT_NULL) r.type = t;
    return r;
}
static bool Finish(ScriptContext& ctx, const runtime::Report& r, std::string& err) {
    if (r.status == runtime::Status::kOk) return true;
    std::string msg = runtime::ReportMessage(r);
    if (runtime::StatusIsWarning(r.status)) {
        ReportWarning(ctx, msg);
        return true;
    }
    err = msg;
    return false;
}
BI(bFormat) {
    UNUSED;
    runtime::Report r;
    std::string text = runtime::Format(ToRuntime(a), n > 1 ? S(a + 1) : std::string(), r);
    SetString(out, text);
    return Finish(ctx, r, err);
}
BI(bDate) { UNUSED; SetString(out, runtime::DateText(runtime::LocalNow())); return true; }
BI(bTime) { UNUSED; SetString(out, runtime::TimeText(runtime::LocalNow())); return true; }
BI(bNow) { UNUSED; SetString(out, runtime::NowText(runtime::LocalNow())); return true; }
#define DATE_PART(fname, call)                              \
    BI(fname) {                                             \
        UNUSED;                                             \
        runtime::Report r;                                  \
        SetInteger(out, runtime::call(ToRuntime(a), r));    \
        return Finish(ctx, r, err);                         \
    }
DATE_PART(bYear, Year)
DATE_PART(bMonth, Month)
DATE_PART(bDay, Day)
DATE_PART(bHour, Hour)
DATE_PART(bMinute, Minute)
DATE_PART(bSecond, Second)
DATE_PART(bWeekDay, WeekDay)
DATE_PART(bJulianDay, JulianDay)
#undef DATE_PART
BI(bIsDate) { UNUSED; SetInteger(out, runtime::IsDate(ToRuntime(a))); return true; }

#undef UNUSED
#undef BI

const Builtin kTable[] = {
    {"Abs", "eAbs", TC_DOUBLE, "V", bAbs},
    {"Atn", "Atn", TC_DOUBLE, "D", bAtn},
    {"Cos", "eCos", TC_DOUBLE, "D", bCos},
    {"Sin", "eSin", TC_DOUBLE, "D", bSin},
    {"Tan", "eTan", TC_DOUBLE, "D", bTan},
    {"Exp", "eExp", TC_DOUBLE, "D", bExp},
    {"Log", "eLog", TC_DOUBLE, "D", bLog},
    {"Sqr", "Sqr", TC_DOUBLE, "D", bSqr},
    {"Rnd", "Rnd", TC_DOUBLE, "D", bRnd},
    {"CDbl", "CDbl", TC_DOUBLE, "D", bCDbl},
    {"CSng", "CSng", TC_SINGLE, "D", bCSng},
    {"CInt", "CInt", TC_INTEGER, "D", bCInt},
    {"CLng", "CLng", TC_LONG, "D", bCLng},
    {"Fix", "Fix", TC_LONG, "D", bFix},
    {"Int", "Int", TC_LONG, "D", bInt},
    {"CStr", "CStr", TC_STRING, "D", bCStr},
    {"Str", "Str", TC_STRING, "D", bStr},
    {"Hex", "Hex", TC_STRING, "D", bHex},
    {"Oct", "Oct", TC_STRING, "D", bOct},
    {"Val", "Val", TC_DOUBLE, "S", bVal},
    {"Asc", "Asc", TC_INTEGER, "S", bAsc},
    {"Chr", "Chr", TC_STRING, "I", bChr},
    {"Left", "Left", TC_STRING, "SN", bLeft},
    {"Right", "Right", TC_STRING, "SN", bRight},
    {"Mid", "Mid", TC_STRING, "SNN", bMid},
    {"InStr", "InStr", TC_LONG, "NSS", bInStr},
    {"StrComp", "StrComp", TC_INTEGER, "SS", bStrComp},
    {"UCase", "UCase", TC_STRING, "S", bUCase},
    {"LCase", "LCase", TC_STRING, "S", bLCase},
    {"LTrim", "LTrim", TC_STRING, "S", bLTrim},
    {"RTrim", "RTrim", TC_STRING, "S", bRTrim},
    {"Trim", "Trim", TC_STRING, "S", bTrim},
    {"Space", "Space", TC_STRING, "N", bSpace},
    {"String", "String", TC_STRING, "NS", bString},
    {"Len", "Len", TC_LONG, "V", bLen},
    {"VarType", "VarType", TC_INTEGER, "V", bVarType},
    {"IsEmpty", "IsEmpty", TC_INTEGER, "V", bIsEmpty},
    {"IsNull", "IsNull", TC_INTEGER, "V", bIsNull},
    {"IsObject", "IsObject", TC_INTEGER, "V", bIsObject},
    {"IsArray", "IsArray", TC_INTEGER, "V", bIsArray},
    {"IsNumeric", "IsNumeric", TC_INTEGER, "V", bIsNumeric},
    {"LBound", "LBound", TC_LONG, "Vi", bLBound},
    {"UBound", "UBound", TC_LONG, "Vi", bUBound},
    {"Erase", "Erase", 0, "V", bErase},
    {"EOF", "eEOF", TC_INTEGER, "I", bEOF},
    {"LOF", "LOF", TC_LONG, "I", bLOF},
    {"SeekFunc", "SeekFunc", TC_LONG, "I", bSeekFunc},
    {"SeekStmt", "SeekStmt", 0, "IL", bSeekStmt},
    {"LineInput", "LineInput", TC_STRING, "I", bLineInput},
    {"InputField", "InputField", TC_STRING, "I", bInputField},
    {"eInput", "eInput", TC_STRING, "II", beInput},
    {"FileLen", "FileLength", TC_LONG, "S", bFileLen},
    {"Kill", "Kill", 0, "S", bKill},
    {"MkDir", "MkDir", 0, "S", bMkDir},
    {"RmDir", "RmDir", 0, "S", bRmDir},
    {"ChDir", "ChDir", 0, "S", bChDir},
    {"CurDir", "CurDir", TC_STRING, "", bCurDir},
    {"eName", "eName", 0, "SS", bName},
    {"FileCopy", "FileCopy", 0, "SS", bFileCopy},
    {"Shell", "Shell", TC_LONG, "SI", bShell},
    {"Beep", "eBeep", 0, "", bBeep},
    {"Format", "Format", TC_STRING, "Vs", bFormat},
    {"Date", "Date", TC_STRING, "", bDate},
    {"Time", "Time", TC_STRING, "", bTime},
    {"Now", "Now", TC_STRING, "", bNow},
    {"Year", "Year", TC_INTEGER, "V", bYear},
    {"Month", "Month", TC_INTEGER, "V", bMonth},
    {"Day", "Day", TC_INTEGER, "V", bDay},
    {"Hour", "Hour", TC_INTEGER, "V", bHour},
    {"Minute", "Minute", TC_INTEGER, "V", bMinute},
    {"Second", "Second", TC_INTEGER, "V", bSecond},
    {"IsDate", "IsDate", TC_INTEGER, "V", bIsDate},
    // Exported for Lib declarations only, not predeclared.
    {"", "WeekDay", TC_INTEGER, "V", bWeekDay},
    {"", "JulianDay", TC_INTEGER, "V", bJulianDay},
};

}  // namespace

const Builtin* BuiltinTable(int& count) {
    return RuntimeBuiltins(count);  // builtins_runtime.cpp
}

int FindBuiltinByExport(const std::string& name) {
    int n;
    const Builtin* t = BuiltinTable(n);
    for (int i = 0; i < n; ++i)
        if (name == t[i].exportName) return i;
    return -1;
}

bool IsEngineLibrary(const std::string& library) {
    return strcasecmp(library.c_str(), "tessel32.dll") == 0 || strcasecmp(library.c_str(), "tessel32") == 0 ||
           library == "libtessel32.so";
}

static uint16_t CodeOfLetter(char c) {
    switch (c) {
        case 'D': return TC_DOUBLE;
        case 'I': return TC_INTEGER;
        case 'L': case 'N': return TC_LONG;
        case 'S': return TC_STRING;
        default: return TC_VARIANT;
    }
}

void PredeclareBuiltins(ScriptContext& ctx) {
    int n;
    const Builtin* t = BuiltinTable(n);
    std::string err;
    for (int i = 0; i < n; ++i) {
        if (!t[i].name[0]) continue;  // export only
        int name = ctx.names.Enter(t[i].name, false, err);
        if (name < 0) continue;
        auto rec = std::make_unique<FuncRec>();
        rec->kind = FK_LIB;
        rec->name = t[i].name;
        rec->alias = t[i].exportName;
        rec->library = "tessel32.dll";
        rec->builtin = i;
        rec->retCode = t[i].ret;
        rec->retType = t[i].ret ? ValueTypeOf(t[i].ret) : 0;
        rec->isSub = t[i].ret == 0;
        for (const char* p = t[i].params; *p; ++p) {
            Param pr;
            pr.code = CodeOfLetter(*p);
            pr.type = ValueTypeOf(pr.code);
            pr.code = RuntimeParamCode(*p, pr.code);
            pr.byVal = true;
            rec->params.push_back(pr);
        }
        int cell = ctx.NewCell(VT_FUNC, name);
        ctx.storage[cell].type = VT_FUNC;
        ctx.storage[cell].v.fn = rec.get();
        ctx.funcs.push_back(std::move(rec));
        ctx.names[name].globalCell = cell;
        // Keywords that also name runtime functions (String) keep their kind.
        if (ctx.names[name].kind == T_IDENT) ctx.names[name].kind = t[i].ret ? T_DECLFUNC : T_DECLSUB;
        ctx.names[name].type = TC_FUNCTION;
    }
}

bool CallBuiltin(ScriptContext& ctx, int index, Cell* args, int nargs, Cell* out, std::string& err) {
    int n;
    const Builtin* t = BuiltinTable(n);
    if (index < 0 || index >= n) { err = "NULL function\n"; return false; }
    const Builtin& b = t[index];
    // Lower-case letters mark optional trailing parameters (0 when missing).
    static int wants[256], requires_[256];
    static bool counted = false;
    if (!counted) {
        for (int i = 0; i < n && i < 256; ++i) {
            wants[i] = (int)std::strlen(t[i].params);
            for (const char* p = t[i].params; *p; ++p)
                if (std::isupper((unsigned char)*p)) ++requires_[i];
        }
        counted = true;
    }
    int want = wants[index], required = requires_[index];
    if (nargs < required) { err = "Argument not optional\n"; return false; }
    if (nargs > want) { err = "Wrong number of arguments\n"; return false; }
    for (int i = 0; i < nargs; ++i) {
        Cell* a = args + i;
        char want = b.params[i] & ~0x20;  // upper case
        if (want != 'S' && want != 'V') Materialize(a);
        if ((want == 'N' || want == 'L') && a->type == VT_INTEGER) {
            if (want == 'N' && a->v.i < 0) { err = "Invalid procedure call\n"; return false; }
            SetLong(a, a->v.i);
            continue;
        }
        if (!(a->flags & CF_HOSTREF) &&
            ((want == 'S' && a->type == VT_STRING) || (want == 'D' && a->type == VT_DOUBLE) ||
             (want == 'I' && a->type == VT_INTEGER) || (want == 'L' && a->type == VT_LONG)))
            continue;
        switch (want) {
            case 'D': { double d; if (!GetDouble(a, d, err)) return false; a->s.clear(); SetDouble(a, d); break; }
            case 'I': { int16_t v; if (!GetShort(a, v, err)) return false; a->s.clear(); SetInteger(a, v); break; }
            case 'L': { int32_t v; if (!GetLong(a, v, err)) return false; a->s.clear(); SetLong(a, v); break; }
            case 'N': {
                int32_t v;
                if (!GetLong(a, v, err)) return false;
                if (v < 0 || v > 65000) { err = "Invalid procedure call\n"; return false; }
                a->s.clear();
                SetLong(a, v);
                break;
            }
            case 'S': {
                Materialize(a);
                std::string s;
                if (!GetString(a, s, err)) return false;
                SetString(a, std::move(s));
                break;
            }
            default: break;
        }
    }
    if (nargs < want) {
        // Missing optional arguments: the function sees zeros after the given ones.
        Cell full[8];
        for (int i = 0; i < nargs; ++i) {
            Materialize(&args[i]);
            CopyValue(&full[i], &args[i]);
            full[i].flags = args[i].flags & CF_LINKED;
            full[i].link = args[i].link;
        }
        for (int i = nargs; i < want && i < 8; ++i) SetLong(&full[i], 0), full[i].v.i = 0, full[i].type = VT_INTEGER;
        return b.fn(ctx, full, want, out, err);
    }
    return b.fn(ctx, args, nargs, out, err);
}

}  // namespace tessel
