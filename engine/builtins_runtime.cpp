// builtins_runtime.cpp: the built-ins that compute (math, conversions, text,
// type tests, dates, Format, arrays) routed to engine/runtime, and the
// declaration table of the whole runtime library.
#include "engine/builtins_runtime.h"

#include <mutex>
#include <unordered_map>

#include "engine/builtins_args.h"
#include "engine/runtime/convert.h"
#include "engine/runtime/dates.h"
#include "engine/runtime/format.h"
#include "engine/runtime/math.h"
#include "engine/runtime/random.h"
#include "engine/runtime/text.h"
#include "engine/runtime/types.h"

namespace tessel {

namespace bargs {

runtime::Value ToRuntime(Cell* a) {
    Cell* v = V(a);
    runtime::Value r;
    std::string err;
    uint16_t t = TypeOf(v);
    r.type = t;
    r.isArray = (v->flags & CF_ARRAY) != 0;
    if (r.isArray) return r;
    if (t == VT_INTEGER || t == VT_LONG || t == VT_SINGLE || t == VT_DOUBLE)
        GetDouble(v, r.number, err);
    else if (t == VT_STRING)
        GetString(v, r.text, err);
    return r;
}

bool Finish(ScriptContext& ctx, const runtime::Report& r, std::string& err) {
    if (r.status == runtime::Status::kOk) return true;
    std::string msg = runtime::ReportMessage(r);
    if (runtime::StatusIsWarning(r.status)) {
        ReportWarning(ctx, msg);
        return true;
    }
    err = msg;
    return false;
}

bool Refused(ScriptContext& ctx, const char* what, std::string& err) {
    if (!ctx.sandbox) return false;
    err = std::string(what) + " is not allowed here\n";
    return true;
}

}  // namespace bargs

namespace {

using namespace bargs;

// Rnd keeps one generator per context, keyed by the handle (index plus
// generation, so a reused slot starts a fresh sequence).
runtime::RandomState& RandomOf(ScriptContext& ctx) {
    static std::mutex lock;
    static std::unordered_map<TesContext, runtime::RandomState> states;
    std::lock_guard<std::mutex> g(lock);
    return states[ctx.handle];
}

#define REPORTED(setter, call) \
    TES_UNUSED_ARGS;           \
    runtime::Report r;         \
    setter(out, call);         \
    return Finish(ctx, r, err)

TES_BUILTIN(bAbs) {
    REPORTED(SetDouble, runtime::Abs(ToRuntime(a), r));
}
TES_BUILTIN(bAtn) {
    TES_UNUSED_ARGS;
    SetDouble(out, runtime::Atn(D(a)));
    return true;
}
TES_BUILTIN(bCos) {
    TES_UNUSED_ARGS;
    SetDouble(out, runtime::Cos(D(a)));
    return true;
}
TES_BUILTIN(bSin) {
    TES_UNUSED_ARGS;
    SetDouble(out, runtime::Sin(D(a)));
    return true;
}
TES_BUILTIN(bTan) {
    TES_UNUSED_ARGS;
    SetDouble(out, runtime::Tan(D(a)));
    return true;
}
TES_BUILTIN(bExp) {
    TES_UNUSED_ARGS;
    SetDouble(out, runtime::Exp(D(a)));
    return true;
}
TES_BUILTIN(bLog) {
    TES_UNUSED_ARGS;
    SetDouble(out, runtime::Log(D(a)));
    return true;
}
TES_BUILTIN(bSqr) {
    TES_UNUSED_ARGS;
    SetDouble(out, runtime::Sqr(D(a)));
    return true;
}
TES_BUILTIN(bRnd) {
    TES_UNUSED_ARGS;
    SetDouble(out, runtime::Rnd(RandomOf(ctx)));
    return true;
}
TES_BUILTIN(bCDbl) {
    TES_UNUSED_ARGS;
    SetDouble(out, runtime::CDbl(D(a)));
    return true;
}
TES_BUILTIN(bCSng) {
    REPORTED(SetSingle, runtime::CSng(D(a), r));
}
TES_BUILTIN(bCInt) {
    REPORTED(SetInteger, runtime::CInt(D(a), r));
}
TES_BUILTIN(bCLng) {
    REPORTED(SetLong, runtime::CLng(D(a), r));
}
TES_BUILTIN(bFix) {
    REPORTED(SetLong, runtime::Fix(D(a), r));
}
TES_BUILTIN(bInt) {
    REPORTED(SetLong, runtime::Int(D(a), r));
}
TES_BUILTIN(bCStr) {
    TES_UNUSED_ARGS;
    SetString(out, runtime::CStr(D(a)));
    return true;
}
TES_BUILTIN(bStr) {
    TES_UNUSED_ARGS;
    SetString(out, runtime::Str(D(a)));
    return true;
}
TES_BUILTIN(bHex) {
    REPORTED(SetString, runtime::Hex(D(a), r));
}
TES_BUILTIN(bOct) {
    REPORTED(SetString, runtime::Oct(D(a), r));
}
TES_BUILTIN(bVal) {
    TES_UNUSED_ARGS;
    SetDouble(out, runtime::Val(S(a)));
    return true;
}

TES_BUILTIN(bAsc) {
    TES_UNUSED_ARGS;
    SetInteger(out, runtime::Asc(S(a)));
    return true;
}
TES_BUILTIN(bChr) {
    REPORTED(SetString, runtime::Chr(I(a), r));
}
TES_BUILTIN(bLeft) {
    REPORTED(SetString, runtime::Left(S(a), L(a + 1), r));
}
TES_BUILTIN(bRight) {
    REPORTED(SetString, runtime::Right(S(a), L(a + 1), r));
}
TES_BUILTIN(bMid) {
    REPORTED(SetString, runtime::Mid(S(a), L(a + 1), L(a + 2), r));
}
TES_BUILTIN(bInStr) {
    REPORTED(SetLong, runtime::InStr(L(a), S(a + 1), S(a + 2), r));
}
TES_BUILTIN(bStrComp) {
    TES_UNUSED_ARGS;
    SetInteger(out, runtime::StrComp(S(a), S(a + 1)));
    return true;
}
TES_BUILTIN(bUCase) {
    TES_UNUSED_ARGS;
    SetString(out, runtime::UCase(S(a)));
    return true;
}
TES_BUILTIN(bLCase) {
    TES_UNUSED_ARGS;
    SetString(out, runtime::LCase(S(a)));
    return true;
}
TES_BUILTIN(bLTrim) {
    TES_UNUSED_ARGS;
    SetString(out, runtime::LTrim(S(a)));
    return true;
}
TES_BUILTIN(bRTrim) {
    TES_UNUSED_ARGS;
    SetString(out, runtime::RTrim(S(a)));
    return true;
}
TES_BUILTIN(bTrim) {
    TES_UNUSED_ARGS;
    SetString(out, runtime::Trim(S(a)));
    return true;
}
TES_BUILTIN(bSpace) {
    REPORTED(SetString, runtime::Space(L(a), r));
}
TES_BUILTIN(bString) {
    REPORTED(SetString, runtime::String(L(a), S(a + 1), r));
}

TES_BUILTIN(bLen) {
    REPORTED(SetLong, runtime::Len(ToRuntime(a), r));
}
TES_BUILTIN(bVarType) {
    TES_UNUSED_ARGS;
    SetInteger(out, runtime::VarType(ToRuntime(a)));
    return true;
}
TES_BUILTIN(bIsEmpty) {
    TES_UNUSED_ARGS;
    SetInteger(out, runtime::IsEmpty(ToRuntime(a)));
    return true;
}
TES_BUILTIN(bIsNull) {
    TES_UNUSED_ARGS;
    SetInteger(out, runtime::IsNull(ToRuntime(a)));
    return true;
}
TES_BUILTIN(bIsObject) {
    TES_UNUSED_ARGS;
    SetInteger(out, runtime::IsObject(ToRuntime(a)));
    return true;
}
TES_BUILTIN(bIsArray) {
    TES_UNUSED_ARGS;
    SetInteger(out, runtime::IsArray(ToRuntime(a)));
    return true;
}
TES_BUILTIN(bIsNumeric) {
    REPORTED(SetInteger, runtime::IsNumeric(ToRuntime(a), r));
}
TES_BUILTIN(bIsDate) {
    TES_UNUSED_ARGS;
    SetInteger(out, runtime::IsDate(ToRuntime(a)));
    return true;
}

TES_BUILTIN(bDate) {
    TES_UNUSED_ARGS;
    SetString(out, runtime::DateText(runtime::LocalNow()));
    return true;
}
TES_BUILTIN(bTime) {
    TES_UNUSED_ARGS;
    SetString(out, runtime::TimeText(runtime::LocalNow()));
    return true;
}
TES_BUILTIN(bNow) {
    TES_UNUSED_ARGS;
    SetString(out, runtime::NowText(runtime::LocalNow()));
    return true;
}
TES_BUILTIN(bYear) {
    REPORTED(SetInteger, runtime::Year(ToRuntime(a), r));
}
TES_BUILTIN(bMonth) {
    REPORTED(SetInteger, runtime::Month(ToRuntime(a), r));
}
TES_BUILTIN(bDay) {
    REPORTED(SetInteger, runtime::Day(ToRuntime(a), r));
}
TES_BUILTIN(bHour) {
    REPORTED(SetInteger, runtime::Hour(ToRuntime(a), r));
}
TES_BUILTIN(bMinute) {
    REPORTED(SetInteger, runtime::Minute(ToRuntime(a), r));
}
TES_BUILTIN(bSecond) {
    REPORTED(SetInteger, runtime::Second(ToRuntime(a), r));
}
TES_BUILTIN(bWeekDay) {
    REPORTED(SetInteger, runtime::WeekDay(ToRuntime(a), r));
}
TES_BUILTIN(bJulianDay) {
    REPORTED(SetInteger, runtime::JulianDay(ToRuntime(a), r));
}
TES_BUILTIN(bFormat) {
    REPORTED(SetString, runtime::Format(ToRuntime(a), n > 1 ? S(a + 1) : std::string(), r));
}

#undef REPORTED

// Arrays: the bound entries of dimension d (the first when d < 1).
ArrayData* ArrayOf(Cell* a) {
    Cell* v = V(a);
    return (v->flags & CF_ARRAY) ? v->v.arr : nullptr;
}
bool Bound(Cell* a, bool upper, Cell* out, std::string& err) {
    ArrayData* d = ArrayOf(a);
    if (!d) {
        SetLong(out, 0);
        return true;
    }
    int dim = I(a + 1) < 1 ? 1 : I(a + 1);
    if (dim > d->dims) {
        err = "Subscript out of range\n";
        return false;
    }
    int32_t lower = d->lower[dim - 1];
    SetLong(out, upper ? (int32_t)(lower + (int64_t)d->count[dim - 1] - 1) : lower);
    return true;
}
TES_BUILTIN(bLBound) {
    TES_UNUSED_ARGS;
    return Bound(a, false, out, err);
}
TES_BUILTIN(bUBound) {
    TES_UNUSED_ARGS;
    return Bound(a, true, out, err);
}
TES_BUILTIN(bErase) {
    TES_UNUSED_ARGS;
    if (ArrayData* d = ArrayOf(a)) d->Allocate();
    return true;
}

// The host's arguments (tesSetCommandArgs): all of them as one text, one by
// number, and how many there are.
TES_BUILTIN(bCommand) {
    TES_UNUSED_ARGS;
    std::string text;
    for (const std::string& arg : ctx.commandArgs) {
        if (!text.empty()) text += ' ';
        if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) {
            text += arg;
            continue;
        }
        text += '"';
        for (char c : arg) text += c == '"' ? std::string("\"\"") : std::string(1, c);
        text += '"';
    }
    SetString(out, std::move(text));
    return true;
}
TES_BUILTIN(bCommandArg) {
    TES_UNUSED_ARGS;
    int32_t i = L(a);
    bool inside = i >= 1 && size_t(i) <= ctx.commandArgs.size();
    SetString(out, inside ? ctx.commandArgs[size_t(i) - 1] : std::string());
    return true;
}
TES_BUILTIN(bCommandArgCount) {
    TES_UNUSED_ARGS;
    SetLong(out, int32_t(ctx.commandArgs.size()));
    return true;
}

// Parameter letters: D Double, I Integer, L Long, S String, N count, V any
// value; lower case marks a trailing parameter that may be left out.
const Builtin kTable[] = {
    {"Abs", "eAbs", TC_DOUBLE, "V", bAbs},
    {"Atn", "Atn", TC_DOUBLE, "D", bAtn},
    {"Cos", "eCos", TC_DOUBLE, "D", bCos},
    {"Sin", "eSin", TC_DOUBLE, "D", bSin},
    {"Tan", "eTan", TC_DOUBLE, "D", bTan},
    {"Exp", "eExp", TC_DOUBLE, "D", bExp},
    {"Log", "eLog", TC_DOUBLE, "D", bLog},
    {"Sqr", "Sqr", TC_DOUBLE, "D", bSqr},
    {"Rnd", "Rnd", TC_DOUBLE, "d", bRnd},
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
    {"IsDate", "IsDate", TC_INTEGER, "V", bIsDate},
    {"Date", "Date", TC_STRING, "", bDate},
    {"Time", "Time", TC_STRING, "", bTime},
    {"Now", "Now", TC_STRING, "", bNow},
    {"Year", "Year", TC_INTEGER, "V", bYear},
    {"Month", "Month", TC_INTEGER, "V", bMonth},
    {"Day", "Day", TC_INTEGER, "V", bDay},
    {"Hour", "Hour", TC_INTEGER, "V", bHour},
    {"Minute", "Minute", TC_INTEGER, "V", bMinute},
    {"Second", "Second", TC_INTEGER, "V", bSecond},
    {"Format", "Format", TC_STRING, "Vs", bFormat},
    {"LBound", "LBound", TC_LONG, "Vi", bLBound},
    {"UBound", "UBound", TC_LONG, "Vi", bUBound},
    {"Erase", "Erase", 0, "V", bErase},
    {"EOF", "eEOF", TC_INTEGER, "I", rtEOF},
    {"LOF", "LOF", TC_LONG, "I", rtLOF},
    {"SeekFunc", "SeekFunc", TC_LONG, "I", rtSeekFunc},
    {"SeekStmt", "SeekStmt", 0, "IL", rtSeekStmt},
    {"LineInput", "LineInput", TC_STRING, "I", rtLineInput},
    {"InputField", "InputField", TC_STRING, "I", rtInputField},
    {"eInput", "eInput", TC_STRING, "II", rtInput},
    {"FileLen", "FileLength", TC_LONG, "S", rtFileLen},
    {"FileCopy", "FileCopy", 0, "SS", rtFileCopy},
    {"eName", "eName", 0, "SS", rtName},
    {"Kill", "Kill", 0, "S", rtKill},
    {"MkDir", "MkDir", 0, "S", rtMkDir},
    {"RmDir", "RmDir", 0, "S", rtRmDir},
    {"ChDir", "ChDir", 0, "S", rtChDir},
    {"ChDrive", "ChDrive", 0, "S", rtChDrive},
    {"CurDir", "CurDir", TC_STRING, "", rtCurDir},
    {"Command", "Command", TC_STRING, "", bCommand},
    {"CommandArg", "CommandArg", TC_STRING, "L", bCommandArg},
    {"CommandArgCount", "CommandArgCount", TC_LONG, "", bCommandArgCount},
    {"Shell", "Shell", TC_LONG, "Si", rtShell},
    {"Beep", "eBeep", 0, "", rtBeep},
    {"MsgBox", "MsgBox", TC_INTEGER, "Sis", rtMsgBox},
    {"InputBox", "InputBox", TC_STRING, "Sssiv", rtInputBox},
    {"AppActivate", "AppActivate", 0, "S", rtAppActivate},
    {"SendKeys", "SendKeys", 0, "Si", rtSendKeys},
    {"DDEInitiate", "DDEInitiate", TC_LONG, "SS", rtDDEInitiate},
    {"DDEExecute", "DDEExecute", 0, "LS", rtDDEExecute},
    {"DDETerminate", "DDETerminate", 0, "L", rtDDETerminate},
    {"CreateObject", "CreateObject", TC_LONG, "S", rtCreateObject},
    {"GetObject", "tesGetObject", TC_LONG, "SS", rtGetObject},
    {"DlgControlID", "DlgControlID", TC_INTEGER, "S", rtDlgControlID},
    {"DlgText", "DlgText", TC_INTEGER, "VS", rtDlgText},
    {"DlgEnable", "DlgEnable", TC_INTEGER, "VV", rtDlgEnable},
    {"DlgVisible", "DlgVisible", TC_INTEGER, "VV", rtDlgVisible},
    // Exported for Lib declarations only, not predeclared.
    {"", "WeekDay", TC_INTEGER, "V", bWeekDay},
    {"", "JulianDay", TC_INTEGER, "V", bJulianDay},
    // Dialog and object support of a later issue: they report that they are not
    // available; any arguments are accepted.
    {"", "DialogProc", TC_LONG, "vvvvvv", rtDialogProc},
    {"", "DynDialogProc", TC_LONG, "vvvvvv", rtDynDialogProc},
    {"", "EnterProc", TC_LONG, "vvvvvv", rtEnterProc},
    {"", "InitDlgProc", TC_LONG, "vvvvvv", rtInitDlgProc},
    {"", "DlgHWND", TC_LONG, "vvvvvv", rtDlgHWND},
    {"", "DlgControlHWND", TC_LONG, "vvvvvv", rtDlgControlHWND},
    {"", "FileOpen", TC_LONG, "vvvvvv", rtFileOpen},
    {"", "ReleaseObject", TC_LONG, "vvvvvv", rtReleaseObject},
    {"", "JrnlPlayBackHook", TC_LONG, "vvvvvv", rtJrnlPlayBackHook},
};

}  // namespace

const Builtin* RuntimeBuiltins(int& count) {
    count = (int)(sizeof kTable / sizeof kTable[0]);
    return kTable;
}

uint16_t RuntimeParamCode(char letter, uint16_t code) {
    switch (letter & ~0x20) {
        case 'V':
            return 1000;
        case 'N':
            return 1001;
        default:
            return code;
    }
}

int16_t LowestFreeFile(const ScriptContext& ctx) {
    for (int i = 1; i <= kMaxFiles; ++i)
        if (!ctx.files[i].fp) return (int16_t)i;
    return kMaxFiles + 1;
}

}  // namespace tessel
