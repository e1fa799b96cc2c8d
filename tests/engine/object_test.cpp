// object_test.cpp: objects in the engine: a counter object implemented here
// through TesDispatch, member calls and their errors, reference counting,
// host objects through the user type routine, named arguments reaching the
// host, and compiled-code files of object programs.
#include <strings.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "engine/context.h"
#include "engine_test_util.h"

namespace tessel {
ScriptContext* FindContext(TesContext h);
}

namespace {

// A counter: default member and Count are its value; Add(a, b) adds a * b
// and returns the new value; Child is another counter; the rest fail on
// purpose. Every call is recorded.
struct Counter {
    TesDispatch base;
    int refs = 1;  // the test's own reference
    int32_t value = 0;
    bool hasDefault = true;
    Counter* child = nullptr;
    std::map<std::string, int> idLookups;
    std::vector<std::string> calls;  // "member/flags: arg types and values"
    std::vector<std::string> lastNames;
};

Counter* Self(TesDispatch* d) {
    return reinterpret_cast<Counter*>(d);
}

const char* const kMembers[] = {"",     "Count", "Add",      "Child", "Fail", "Mismatch",
                                "Need", "Odd",   "Describe", "Empty", "Print"};

std::string ArgText(const TesVariant& v) {
    char buf[128];
    switch (v.vt) {
        case TES_VT_EMPTY:
            return "E";
        case TES_VT_INTEGER:
            std::snprintf(buf, sizeof buf, "I%d", v.u.iVal);
            return buf;
        case TES_VT_LONG:
            std::snprintf(buf, sizeof buf, "L%d", v.u.lVal);
            return buf;
        case TES_VT_SINGLE:
            std::snprintf(buf, sizeof buf, "F%g", v.u.fltVal);
            return buf;
        case TES_VT_DOUBLE:
            std::snprintf(buf, sizeof buf, "D%g", v.u.dblVal);
            return buf;
        case TES_VT_STRING:
            return std::string("S") + v.u.strVal;
        case TES_VT_OBJECT:
            return v.u.objVal ? "O" : "N";
        default:
            std::snprintf(buf, sizeof buf, "?%d", v.vt);
            return buf;
    }
}

int32_t Number(const TesVariant& v) {
    switch (v.vt) {
        case TES_VT_INTEGER:
            return v.u.iVal;
        case TES_VT_LONG:
            return v.u.lVal;
        case TES_VT_DOUBLE:
            return (int32_t)v.u.dblVal;
        default:
            return -999;
    }
}

uint32_t CounterAddRef(TesDispatch* d) {
    return ++Self(d)->refs;
}
uint32_t CounterRelease(TesDispatch* d) {
    return --Self(d)->refs;
}

int32_t CounterGetId(TesDispatch* d, const char* name, int32_t* id) {
    Self(d)->idLookups[name]++;
    if (strcasecmp(name, "Broken") == 0) return (int32_t)0x80004005;
    for (int i = 1; i < (int)(sizeof kMembers / sizeof *kMembers); ++i)
        if (strcasecmp(name, kMembers[i]) == 0) {
            *id = i;
            return 0;
        }
    return TES_DISP_E_UNKNOWNNAME;
}

int32_t CounterInvoke(TesDispatch* d, int32_t id, int32_t flags, TesArgList* args,
                      TesVariant* result, char* errorText, size_t errorSize) {
    Counter* c = Self(d);
    std::string call = std::string(kMembers[id]) + "/" + std::to_string(flags) + ":";
    for (uint32_t i = 0; i < args->count; ++i) call += " " + ArgText(args->args[i]);
    c->calls.push_back(call);
    c->lastNames.clear();
    for (uint32_t i = 0; i < args->namedCount; ++i) {
        EXPECT_EQ(args->namedIds[i], (int32_t)i);
        c->lastNames.push_back(args->names[i]);
    }
    switch (id) {
        case 0:
        case 1:
            if (id == 0 && !c->hasDefault) return TES_DISP_E_MEMBERNOTFOUND;
            if (flags & TES_DISPATCH_PROPERTYPUT) {
                if (args->count != 1) return TES_DISP_E_PARAMNOTOPTIONAL;
                c->value = Number(args->args[0]);
                return 0;
            }
            result->vt = TES_VT_LONG;
            result->u.lVal = c->value;
            return 0;
        case 2:  // Add(a, b): args last first
            if (args->count != 2) return TES_DISP_E_PARAMNOTOPTIONAL;
            c->value += Number(args->args[1]) *
                        (args->args[0].vt == TES_VT_STRING ? 1 : Number(args->args[0]));
            result->vt = TES_VT_LONG;
            result->u.lVal = c->value;
            return 0;
        case 3:
            if (flags & TES_DISPATCH_PROPERTYPUT) {
                if (args->count != 1 || args->args[0].vt != TES_VT_OBJECT)
                    return TES_DISP_E_TYPEMISMATCH;
                Counter* n = Self(static_cast<TesDispatch*>(args->args[0].u.objVal));
                if (n) n->base.vtbl->addRef(&n->base);
                if (c->child) c->child->base.vtbl->release(&c->child->base);
                c->child = n;
                return 0;
            }
            result->vt = TES_VT_OBJECT;
            result->u.objVal = c->child;
            if (c->child) c->child->base.vtbl->addRef(&c->child->base);
            return 0;
        case 4:
            std::snprintf(errorText, errorSize, "Counter failed: bad input");
            return TES_DISP_E_EXCEPTION;
        case 5:
            return TES_DISP_E_TYPEMISMATCH;
        case 6:
            return TES_DISP_E_PARAMNOTOPTIONAL;
        case 7:
            return (int32_t)0x80020001;
        case 8: {
            static std::string text;
            text = "counter at " + std::to_string(c->value);
            result->vt = TES_VT_STRING;
            result->u.strVal = text.data();
            return 0;
        }
        case 9:
            result->vt = TES_VT_OBJECT;
            result->u.objVal = nullptr;
            return 0;
        case 10:
            return 0;
        default:
            return TES_DISP_E_MEMBERNOTFOUND;
    }
}

const TesDispatchVtbl kCounterVtbl = {CounterAddRef, CounterRelease, CounterGetId, CounterInvoke};

struct CounterObject : Counter {
    CounterObject() { base.vtbl = &kCounterVtbl; }
};

// Compiles, stores the object in the global o, runs.
TesResult RunWith(Engine& e, const std::string& program, Counter* o) {
    TesResult r = e.Compile(program);
    if (r != TES_OK) return r;
    EXPECT_EQ(tesSetGlobalObjectVar(e.ctx, "o", o ? &o->base : nullptr), TES_OK);
    return tesExecute(e.ctx);
}

std::string FirstError(const std::string& body, Counter* o) {
    Engine e;
    TesResult r = RunWith(e, "Global o As Object\nSub Main\n" + body + "\nEnd Sub\n", o);
    EXPECT_NE(r, TES_OK) << body;
    auto errors = e.Errors();
    if (errors.empty()) return "(no error)";
    EXPECT_EQ(errors[0].line, 3) << body;
    return errors[0].text;
}

}  // namespace

TEST(EngineObjects, MemberCallsArgumentsAndCachedIds) {
    CounterObject o, child;
    o.child = &child;
    child.refs = 2;  // the parent holds one
    {
        Engine e;
        ASSERT_EQ(RunWith(e,
                          "Global o As Object\n"
                          "Sub Main\n"
                          "o.Count = 5\n"
                          "o.Add 2, \"x\"\n"
                          "x = o.Add(3, 4.5)\n"
                          "Print x; o.Count\n"
                          "For i = 1 To 3\n"
                          "o.Count = o.Count + 1\n"
                          "Next\n"
                          "y = o.Count + o.Count\n"
                          "Print y; o\n"
                          "Print o.Describe\n"
                          "o = 40\n"
                          "o.Child.Count = 7\n"
                          "Print o.Child.Count + 1; o.CHILD\n"
                          "o.Add b:=2, a:=3\n"
                          "End Sub\n",
                          &o),
                  TES_OK);
        EXPECT_EQ(e.Output(), " 19 19\n 44 22\n counter at 22\n 8 7\n");
        // Arguments arrive last first, with their types.
        ASSERT_GE(o.calls.size(), 3u);
        EXPECT_EQ(o.calls[0], "Count/4: I5");
        EXPECT_EQ(o.calls[1], "Add/1: Sx I2");
        EXPECT_EQ(o.calls[2], "Add/3: D4.5 I3");
        EXPECT_EQ(o.calls.back(), "Add/1: I3 I2");
        EXPECT_EQ(o.lastNames, (std::vector<std::string>{"a", "b"}));
        EXPECT_EQ(o.value, 46);
        EXPECT_EQ(child.value, 7);
        // One lookup per record (name and flags): Count read and written,
        // Add as a statement and in an expression, Child read.
        EXPECT_EQ(o.idLookups["Count"], 2);
        EXPECT_EQ(o.idLookups["Add"], 2);
        EXPECT_EQ(o.idLookups["Child"], 1);
        EXPECT_EQ(o.idLookups["Describe"], 1);
        // Members of a member's result have records of their own (put and read).
        EXPECT_EQ(child.idLookups["Count"], 2);
        EXPECT_EQ(o.refs, 2);      // the global still holds o
        EXPECT_EQ(child.refs, 2);  // no temporary kept the child
    }
    EXPECT_EQ(o.refs, 1);
    EXPECT_EQ(child.refs, 2);
}

TEST(EngineObjects, SetNothingAndReferenceCounts) {
    CounterObject o, child, other;
    o.child = &child;
    child.refs = 2;
    {
        Engine e;
        ASSERT_EQ(RunWith(e,
                          "Global o As Object\n"
                          "Global keep As Object\n"
                          "Sub Main\n"
                          "Dim c As Object\n"
                          "Set c = o.Child\n"
                          "c.Count = 3\n"
                          "Dim v\n"
                          "Set v = c\n"
                          "Dim a(2) As Object\n"
                          "Set a(1) = o.Child\n"
                          "a(1).Count = a(1).Count + 1\n"
                          "Print c.Count; v; a(1)\n"
                          "Set keep = c\n"
                          "Set c = Nothing\n"
                          "Set v = Nothing\n"
                          "Set a(1) = Nothing\n"
                          "Keeper o\n"
                          "End Sub\n"
                          "Sub Keeper(x As Object)\n"
                          "Dim local As Object\n"
                          "Set local = x\n"
                          "x.Count = 9\n"
                          "End Sub\n",
                          &o),
                  TES_OK);
        EXPECT_EQ(e.Output(), " 4 4 4\n");
        EXPECT_EQ(o.value, 9);
        EXPECT_EQ(child.refs, 3);  // the parent and keep
        EXPECT_EQ(o.refs, 2);      // the global o only: the procedure's local was released
        // Replacing a global's object releases the old one; null stores Nothing.
        EXPECT_EQ(tesSetGlobalObjectVar(e.ctx, "keep", &other.base), TES_OK);
        EXPECT_EQ(child.refs, 2);
        EXPECT_EQ(other.refs, 2);
        EXPECT_EQ(tesSetGlobalObjectVar(e.ctx, "keep", nullptr), TES_OK);
        EXPECT_EQ(other.refs, 1);
    }
    EXPECT_EQ(o.refs, 1);
    EXPECT_EQ(child.refs, 2);
    // A parent setting its child through Set o.Child = x holds it.
    CounterObject fresh;
    {
        Engine e;
        ASSERT_EQ(RunWith(e,
                          "Global o As Object\nGlobal f As Object\nSub Main\n"
                          "Set o.Child = f\nSet o.Child = Nothing\nSet o.Child = f\nEnd Sub\n",
                          &o),
                  TES_OK);
        EXPECT_EQ(tesSetGlobalObjectVar(e.ctx, "f", &fresh.base), TES_OK);
        ASSERT_EQ(tesExecute(e.ctx), TES_OK);
        EXPECT_EQ(fresh.refs, 3);  // the test, f, o's child
    }
    EXPECT_EQ(fresh.refs, 2);
    EXPECT_EQ(child.refs, 1);  // dropped by the first Set o.Child
}

TEST(EngineObjects, ErrorMessages) {
    CounterObject o, plain;
    plain.hasDefault = false;
    EXPECT_EQ(FirstError("o.Bogus 1", &o), "Unknown name: Bogus\n");
    EXPECT_EQ(FirstError("x = o.Broken", &o), "GetIDsOfNames returned: 80004005 for Broken\n");
    EXPECT_EQ(FirstError("o.Odd", &o), "Invoke returned: 80020001\n");
    EXPECT_EQ(FirstError("o.Mismatch", &o), "Type mismatch\n");
    EXPECT_EQ(FirstError("o.Need", &o), "Missing parameter(s)\n");
    EXPECT_EQ(FirstError("o.Fail 1, 2", &o), "Counter failed: bad input\n");
    EXPECT_EQ(FirstError("x = o.Empty.Count", &o), "Object Method returned Null Object\n");
    {
        Engine e;
        EXPECT_EQ(
            e.Run("Sub Main\nMake().Count = 1\nEnd Sub\nFunction Make() As Object\nEnd Function\n"),
            -1);
        ASSERT_EQ(e.Errors().size(), 1u);
        EXPECT_EQ(e.Errors()[0].text, "Object Method returned Null Object\n");
    }
    EXPECT_EQ(FirstError("Print o + 1", &plain), "Object does not have default property\n");
    EXPECT_EQ(FirstError("o = 3", &plain), "Object does not have default property\n");
    EXPECT_EQ(FirstError("Print o", &plain), "Object does not have default property\n");
    EXPECT_EQ(FirstError("o.Count = 1", nullptr), "Object variable not set\n");
    EXPECT_EQ(FirstError("x = o + 1", nullptr), "Object variable not set\n");
    EXPECT_EQ(FirstError("Dim v: v.Count = 1", &o), "Unknown type in GetDispatch()\n");
    EXPECT_EQ(FirstError("Dim v: v = 5: x = v.Count", &o), "Unknown type in GetDispatch()\n");
    EXPECT_EQ(FirstError("Dim n%: Set n = o", &o), "Type mismatch\n");
    EXPECT_EQ(FirstError("Dim w: Set w = 5", &o), "Type mismatch\n");
    EXPECT_EQ(FirstError("Dim a(3): o.Add a, 1", &o), "Unknown type: 8192 in SetVariantFromVar\n");
    EXPECT_EQ(o.refs, 1);
    EXPECT_EQ(plain.refs, 1);
}

TEST(EngineObjects, SetGlobalObjectVarResults) {
    CounterObject o;
    Engine e;
    ASSERT_EQ(e.Compile("Global n%\nGlobal v\nGlobal o As Object\nGlobal arr(3) As Object\nSub "
                        "Main\nPrint v.Count\nEnd Sub\n"),
              TES_OK);
    EXPECT_EQ(tesSetGlobalObjectVar(e.ctx, "missing", &o.base), TES_E_NOGLOBAL);
    EXPECT_EQ(tesSetGlobalObjectVar(e.ctx, "n", &o.base), TES_E_TYPEMISMATCH);
    EXPECT_EQ(tesSetGlobalObjectVar(e.ctx, "arr", &o.base), TES_E_TYPEMISMATCH);
    EXPECT_EQ(tesSetGlobalObjectVar(e.ctx, nullptr, &o.base), TES_E_INVALIDARG);
    EXPECT_EQ(tesSetGlobalObjectVar(0x7777, "v", &o.base), TES_E_CONTEXT);
    EXPECT_EQ(o.refs, 1);
    o.value = 12;
    EXPECT_EQ(tesSetGlobalObjectVar(e.ctx, "v", &o.base), TES_OK);
    EXPECT_EQ(o.refs, 2);
    ASSERT_EQ(tesExecute(e.ctx), TES_OK);
    EXPECT_EQ(e.Output(), " 12\n");
    // The host reads an object global through its default value.
    int32_t got = 0;
    EXPECT_EQ(tesGetGlobalLongVar(e.ctx, "v", &got), TES_OK);
    EXPECT_EQ(got, 12);
    EXPECT_EQ(tesFreeBuffers(e.ctx), TES_OK);
    EXPECT_EQ(o.refs, 1);
}

// Host objects: the user type routine receives member calls and Print items.
namespace {
struct HostLog {
    std::vector<std::string> calls;
    int frees = 0;
};
HostLog* g_host = nullptr;
int g_waveObject = 42, g_editorObject = 7;

int32_t HostRoutine(TesContext, int32_t selector, void* object, const char* member,
                    TesArgList* args, TesVariant* value, intptr_t datum) {
    std::string call = std::to_string(selector) + " ";
    if (selector == 15) {
        call += "print vt " + std::to_string(value->vt);
    } else {
        call += std::string(object == &g_waveObject     ? "wave"
                            : object == &g_editorObject ? "editor"
                                                        : "?") +
                "." + member + ":";
        for (uint32_t i = 0; i < args->count; ++i) call += " " + ArgText(args->args[i]);
        for (uint32_t i = 0; i < args->namedCount; ++i)
            call += std::string(" ") + args->names[i] + ":=";
    }
    call += " #" + std::to_string(datum);
    g_host->calls.push_back(call);
    if (selector == 15) return 0;
    if (strcmp(member, "Missing") == 0) return TES_DISP_E_UNKNOWNNAME;
    if (strcmp(member, "Explode") == 0) {
        value->vt = TES_VT_STRING;
        value->u.strVal = const_cast<char*>("wave is busy");
        return TES_DISP_E_EXCEPTION;
    }
    if (selector != 4) {
        value->vt = TES_VT_LONG;
        value->u.lVal = *static_cast<int*>(object) + (int)strlen(member);
    }
    return 0;
}

void HostFree(void* object, intptr_t datum) {
    EXPECT_EQ(object, &g_waveObject);
    EXPECT_EQ(datum, 5);
    g_host->frees++;
}
}  // namespace

TEST(EngineObjects, HostObjectsThroughTheMemberRoutine) {
    HostLog log;
    g_host = &log;
    {
        Engine e;
        ASSERT_EQ(tesSetGlobalCPPObjectRef(e.ctx, "Wave", &g_waveObject, HostRoutine, 5, HostFree),
                  TES_OK);
        EXPECT_EQ(tesSetGlobalCPPObjectRef(e.ctx, nullptr, &g_waveObject, HostRoutine, 5, HostFree),
                  TES_E_INVALIDARG);
        EXPECT_EQ(tesSetGlobalCPPObjectRef(e.ctx, "Wave2", nullptr, HostRoutine, 5, HostFree),
                  TES_E_INVALIDARG);
        tesRegisterUserTypeSubsystem(e.ctx, HostRoutine, nullptr, 77);
        tesRegisterUndefVarCallback(e.ctx,
                                    [](TesContext, const char* name, TesVariant* value) -> int32_t {
                                        if (strcasecmp(name, "Editor") != 0) return 1;
                                        value->vt = TES_VT_HOSTOBJECT;
                                        value->u.objVal = &g_editorObject;
                                        return 0;
                                    });
        ASSERT_EQ(e.Run("Sub Main\n"
                        "Wave.Gain 3, 1.5\n"
                        "x = Wave.Length\n"
                        "Wave.Name = \"kick\"\n"
                        "Print x; Wave; Editor.Open(\"a.wav\")\n"
                        "Editor.Select start:=1, length:=2\n"
                        "Set w = Wave\n"
                        "Print w.Name\n"
                        "End Sub\n"),
                  TES_OK);
        EXPECT_EQ(e.Output(), " 48 42 11\n 46\n");
        // Print converts its items after evaluating them all; Name is spelled
        // as the name table has it (a keyword: capitals).
        EXPECT_EQ(log.calls,
                  (std::vector<std::string>{
                      "1 wave.Gain: D1.5 I3 #5", "3 wave.Length: #5", "4 wave.NAME: Skick #5",
                      "3 editor.OPEN: Sa.wav #77", "2 wave.: #5",
                      "1 editor.SELECT: I2 I1 Length:= start:= #77", "3 wave.NAME: #5"}));
        EXPECT_EQ(log.frees, 0);
    }
    EXPECT_EQ(log.frees, 1);  // freed with the context
    // Errors of host members; a host object without any member routine.
    for (auto [body, want] : std::vector<std::pair<std::string, std::string>>{
             {"Wave.Missing", "Unknown name: Missing\n"},
             {"Wave.Explode 1", "wave is busy\n"},
             {"Editor.Open", "Invalid user type callback in stream!!!!\n"}}) {
        Engine e;
        tesSetGlobalCPPObjectRef(e.ctx, "Wave", &g_waveObject, HostRoutine, 5, nullptr);
        tesRegisterUndefVarCallback(e.ctx,
                                    [](TesContext, const char* name, TesVariant* value) -> int32_t {
                                        if (strcasecmp(name, "Editor") != 0) return 1;
                                        value->vt = TES_VT_HOSTOBJECT;
                                        value->u.objVal = &g_editorObject;
                                        return 0;
                                    });
        EXPECT_EQ(e.Run("Sub Main\n" + body + "\nEnd Sub\n"), -1);
        ASSERT_EQ(e.Errors().size(), 1u);
        EXPECT_EQ(e.Errors()[0].text, want);
    }
    // Registration once compiled: the global must exist and hold objects.
    {
        Engine e;
        ASSERT_EQ(e.Compile("Global g\nGlobal n As Long\nSub Main\nPrint g.Size\nEnd Sub\n"),
                  TES_OK);
        EXPECT_EQ(
            tesSetGlobalCPPObjectRef(e.ctx, "nothere", &g_waveObject, HostRoutine, 5, nullptr),
            TES_E_NOGLOBAL);
        EXPECT_EQ(tesSetGlobalCPPObjectRef(e.ctx, "n", &g_waveObject, HostRoutine, 5, nullptr),
                  TES_E_TYPEMISMATCH);
        EXPECT_EQ(tesSetGlobalCPPObjectRef(e.ctx, "g", &g_waveObject, HostRoutine, 6, nullptr),
                  TES_OK);
        log.calls.clear();
        ASSERT_EQ(tesExecute(e.ctx), TES_OK);
        EXPECT_EQ(e.Output(), " 46\n");
        EXPECT_EQ(log.calls, (std::vector<std::string>{"3 wave.Size: #6"}));
    }
    g_host = nullptr;
}

TEST(EngineObjects, PrintOfOtherTypesReachesTheRoutine) {
    HostLog log;
    g_host = &log;
    // A host function's Null value has no text form.
    auto null = [](TesContext, const char*, TesArgList*, TesVariant* result) -> int32_t {
        result->vt = TES_VT_NULL;
        return 0;
    };
    Engine e;
    tesRegisterUserTypeSubsystem(e.ctx, HostRoutine, nullptr, 3);
    tesRegisterUndefFuncCallback(e.ctx, null);
    ASSERT_EQ(e.Run("Sub Main\nPrint 1; HostNull(); 2\nEnd Sub\n"), TES_OK);
    EXPECT_EQ(e.Output(), " 1 2\n");
    EXPECT_EQ(log.calls, (std::vector<std::string>{"15 print vt 1 #3"}));
    g_host = nullptr;
    // Without the routine it is an error.
    Engine f;
    tesRegisterUndefFuncCallback(f.ctx, null);
    EXPECT_EQ(f.Run("Sub Main\nPrint 1; HostNull(); 2\nEnd Sub\n"), -1);
    ASSERT_EQ(f.Errors().size(), 1u);
    EXPECT_EQ(f.Errors()[0].text, "Unknown type: 1 in Print\n");
}

TEST(EngineObjects, NamedArgumentsReachTheUndefinedFunctionCallback) {
    static std::vector<std::string> seen;
    seen.clear();
    CounterObject o;
    Engine e;
    tesRegisterUndefFuncCallback(
        e.ctx, [](TesContext, const char* name, TesArgList* args, TesVariant* result) -> int32_t {
            std::string s = std::string(name) + ":";
            for (uint32_t i = 0; i < args->count; ++i) {
                s += " " + ArgText(args->args[i]);
                if (i < args->namedCount)
                    s +=
                        std::string("=") + args->names[i] + "#" + std::to_string(args->namedIds[i]);
            }
            seen.push_back(s);
            result->vt = TES_VT_LONG;
            result->u.lVal = (int32_t)args->count;
            return 0;
        });
    ASSERT_EQ(RunWith(e,
                      "Global o As Object\nSub Main\n"
                      "HostCall 1, \"a\", gain:=2.5, mode:=3\n"
                      "Print HostSum(o, 7)\n"
                      "End Sub\n",
                      &o),
              TES_OK);
    EXPECT_EQ(e.Output(), " 2\n");
    EXPECT_EQ(seen,
              (std::vector<std::string>{"HostCall: I3=mode#0 D2.5=gain#1 Sa I1", "HostSum: I7 O"}));
    EXPECT_EQ(o.refs, 2);
    // Without the callback a named argument still needs declared parameters.
    Engine f;
    EXPECT_EQ(f.Run("Sub Main\nHostCall 1, mode:=3\nEnd Sub\n"), -1);
    ASSERT_EQ(f.Errors().size(), 1u);
    EXPECT_EQ(f.Errors()[0].text, "Named arguments need declared parameters: HostCall\n");
}

TEST(EngineObjects, GrammarLimitsAndSelectorCheck) {
    // A leading dot has no With block to refer to.
    Engine e;
    EXPECT_EQ(e.Compile("Sub Main\n.Count = 1\nEnd Sub\n"), TES_E_SYNTAX);
    ASSERT_EQ(e.Errors().size(), 1u);
    EXPECT_EQ(e.Errors()[0].text, "Not in with block\n");
    EXPECT_EQ(e.Errors()[0].line, 2);
    // A member-call record with a selector no routine knows.
    CounterObject o;
    Engine f;
    ASSERT_EQ(f.Compile("Global o As Object\nSub Main\no.Count = 1\nEnd Sub\n"), TES_OK);
    tessel::ScriptContext* ctx = tessel::FindContext(f.ctx);
    ASSERT_NE(ctx, nullptr);
    int records = 0;
    for (auto& fn : ctx->funcs)
        if (fn->kind == tessel::FK_MEMBER) {
            fn->dispFlags = 9;
            ++records;
        }
    EXPECT_EQ(records, 1);
    EXPECT_EQ(tesSetGlobalObjectVar(f.ctx, "o", &o.base), TES_OK);
    EXPECT_EQ(tesExecute(f.ctx), -1);
    ASSERT_EQ(f.Errors().size(), 1u);
    EXPECT_EQ(f.Errors()[0].text, "Invalid user type callback in stream!!!!\n");
    EXPECT_TRUE(o.calls.empty());
}

TEST(EngineObjects, CompiledCodeRoundTrip) {
    char path[] = "/tmp/tessel_objects_XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    const std::string program =
        "Global o As Object\nSub Main\nDim c As Object\nSet c = o.Child\nc.Count = o.Add(2, 3)\n"
        "o.Print \"x\"\nPrint c; o.Child.Count; o\nSet c = Nothing\nEnd Sub\n";
    std::string first;
    {
        CounterObject o, child;
        o.child = &child;
        Engine e;
        ASSERT_EQ(RunWith(e, program, &o), TES_OK);
        first = e.Output();
        EXPECT_EQ(tesSaveCompiledCode(e.ctx, path), TES_OK);
        EXPECT_EQ(o.calls[2], "Print/1: Sx");
    }
    EXPECT_EQ(first, " 6 6 6\n");
    CounterObject o, child;
    o.child = &child;
    {
        Engine e;
        ASSERT_EQ(tesLoadCompiledCode(e.ctx, path), TES_OK);
        EXPECT_EQ(tesSetGlobalObjectVar(e.ctx, "o", &o.base), TES_OK);
        ASSERT_EQ(tesExecute(e.ctx), TES_OK);
        EXPECT_EQ(e.Output(), first);
    }
    EXPECT_EQ(o.refs, 1);
    EXPECT_EQ(child.refs, 1);
    // A host object registered before the load is declared for the replay too.
    HostLog log;
    g_host = &log;
    {
        Engine e;
        tesSetGlobalCPPObjectRef(e.ctx, "Wave", &g_waveObject, HostRoutine, 5, nullptr);
        ASSERT_EQ(e.Run("Sub Main\nWave.Trim 2\nPrint Wave.Size\nEnd Sub\n"), TES_OK);
        EXPECT_EQ(e.Output(), " 46\n");
        EXPECT_EQ(tesSaveCompiledCode(e.ctx, path), TES_OK);
    }
    {
        Engine e;
        tesSetGlobalCPPObjectRef(e.ctx, "Wave", &g_waveObject, HostRoutine, 8, nullptr);
        ASSERT_EQ(tesLoadCompiledCode(e.ctx, path), TES_OK);
        ASSERT_EQ(tesExecute(e.ctx), TES_OK);
        EXPECT_EQ(e.Output(), " 46\n");
    }
    EXPECT_EQ(log.calls, (std::vector<std::string>{"1 wave.Trim: I2 #5", "3 wave.Size: #5",
                                                   "1 wave.Trim: I2 #8", "3 wave.Size: #8"}));
    g_host = nullptr;
    std::remove(path);
}

namespace {
Counter* g_gadget = nullptr;
}

TEST(EngineObjects, ObjectsFromCallbacksProceduresAndCallFunc) {
    CounterObject gadget, made;
    g_gadget = &gadget;
    {
        Engine e;
        // Objects the host hands over carry a reference for the engine.
        tesRegisterUndefVarCallback(e.ctx,
                                    [](TesContext, const char* name, TesVariant* value) -> int32_t {
                                        if (strcasecmp(name, "Gadget") != 0) return 1;
                                        value->vt = TES_VT_OBJECT;
                                        value->u.objVal = &g_gadget->base;
                                        g_gadget->base.vtbl->addRef(&g_gadget->base);
                                        return 0;
                                    });
        tesRegisterUserTypeSubsystem(
            e.ctx, nullptr,
            [](TesContext, const char* type, const char*, TesVariant* value) -> int32_t {
                if (strcmp(type, "HostCounter") != 0) return 1;
                value->vt = TES_VT_OBJECT;
                value->u.objVal = &g_gadget->base;
                g_gadget->base.vtbl->addRef(&g_gadget->base);
                return 0;
            },
            0);
        ASSERT_EQ(e.Run("Dim w As HostCounter\n"
                        "Sub Main\n"
                        "Gadget.Count = 2\n"
                        "Dim c As Object\n"
                        "Set c = Make()\n"
                        "Make().Count = Make().Count + w.Count\n"
                        "Twice c, c\n"
                        "Print c; w; Gadget.Describe\n"
                        "End Sub\n"
                        "Function Make() As Object\n"
                        "Set Make = Gadget\n"
                        "End Function\n"
                        "Sub Twice(ByVal x As Object, y)\n"
                        "x.Count = x.Count * 2\n"
                        "y.Add 1, 1\n"
                        "End Sub\n"
                        "Function Give(n) As Object\n"
                        "Set Give = Gadget\n"
                        "Give.Count = n\n"
                        "End Function\n"),
                  TES_OK);
        EXPECT_EQ(e.Output(), " 9 9 counter at 9\n");
        EXPECT_EQ(gadget.refs, 3);  // the test, Gadget and w
        // A function's object result reaches the host with a reference of its own.
        TesVariant arg{}, result{};
        arg.vt = TES_VT_LONG;
        arg.u.lVal = 11;
        TesArgList list{&arg, nullptr, 1, 0, nullptr};
        ASSERT_EQ(tesCallFunc(e.ctx, "Give", &list, &result), TES_OK);
        EXPECT_EQ(result.vt, TES_VT_OBJECT);
        EXPECT_EQ(result.u.objVal, &gadget.base);
        EXPECT_EQ(gadget.refs, 4);
        EXPECT_EQ(gadget.value, 11);
        gadget.base.vtbl->release(&gadget.base);
        // An object argument of tesCallFunc is lent: the engine adds its own reference.
        TesVariant objArg{};
        objArg.vt = TES_VT_OBJECT;
        objArg.u.objVal = &made.base;
        TesArgList objList{&objArg, nullptr, 1, 0, nullptr};
        ASSERT_EQ(tesCallFunc(e.ctx, "Give", &objList, &result), TES_OK);
        EXPECT_EQ(gadget.calls.back(), "Count/4: O");  // the object itself went on to the put
        gadget.base.vtbl->release(&gadget.base);
        EXPECT_EQ(made.refs, 1);
    }
    EXPECT_EQ(gadget.refs, 1);
    g_gadget = nullptr;
}
