// Compile-time check that a script declaration ("ByVal waveid&, ByVal db#",
// result "Long") matches the C prototype of the host function the engine calls
// through libffi. The engine passes, per declared argument:
//   ByVal x& / x% / x! / x#   int32_t / int16_t / float / double
//   ByVal x$, ByRef x$        const char* (the text, NUL-terminated)
//   ByRef x& / % / ! / #      a pointer to the value (int32_t*, ...)
//   ByRef ary() As Integer    TesArray** (the array's descriptor, by address)
// and the result types Long, Integer, Single, Double, String map the same
// way. CheckedScriptFunction fails to compile (a throw in a consteval call)
// when the text and the pointer's type differ.
#pragma once

#include <cstdint>
#include <string_view>
#include <type_traits>

struct TesArray;

namespace ob {

enum class ScriptArgType : int {
    Long,
    Integer,
    Single,
    Double,
    String,
    LongRef,
    IntegerRef,
    SingleRef,
    DoubleRef,
    IntegerArray,
    Invalid,
};

template <class T>
constexpr ScriptArgType ScriptArgTypeOf() {
    if constexpr (std::is_same_v<T, int32_t>) return ScriptArgType::Long;
    if constexpr (std::is_same_v<T, int16_t>) return ScriptArgType::Integer;
    if constexpr (std::is_same_v<T, float>) return ScriptArgType::Single;
    if constexpr (std::is_same_v<T, double>) return ScriptArgType::Double;
    if constexpr (std::is_same_v<T, const char*>) return ScriptArgType::String;
    if constexpr (std::is_same_v<T, int32_t*>) return ScriptArgType::LongRef;
    if constexpr (std::is_same_v<T, int16_t*>) return ScriptArgType::IntegerRef;
    if constexpr (std::is_same_v<T, float*>) return ScriptArgType::SingleRef;
    if constexpr (std::is_same_v<T, double*>) return ScriptArgType::DoubleRef;
    if constexpr (std::is_same_v<T, TesArray**>) return ScriptArgType::IntegerArray;
    return ScriptArgType::Invalid;
}

namespace declaration {

constexpr std::string_view Trim(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

constexpr bool StartsWith(std::string_view s, std::string_view p) {
    return s.substr(0, p.size()) == p;
}
constexpr bool EndsWith(std::string_view s, std::string_view p) {
    return s.size() >= p.size() && s.substr(s.size() - p.size()) == p;
}

// One argument: "ByVal db#", "ByRef ary() As Integer", ...
constexpr ScriptArgType ParseArgument(std::string_view a) {
    a = Trim(a);
    bool byRef = false;
    if (StartsWith(a, "ByRef ")) {
        byRef = true;
        a.remove_prefix(6);
    } else if (StartsWith(a, "ByVal ")) {
        a.remove_prefix(6);
    }
    a = Trim(a);
    if (EndsWith(a, "() As Integer"))
        return byRef ? ScriptArgType::IntegerArray : ScriptArgType::Invalid;
    if (a.empty()) return ScriptArgType::Invalid;
    ScriptArgType by = ScriptArgType::Invalid, ref = ScriptArgType::Invalid;
    switch (a.back()) {
        case '&':
            by = ScriptArgType::Long, ref = ScriptArgType::LongRef;
            break;
        case '%':
            by = ScriptArgType::Integer, ref = ScriptArgType::IntegerRef;
            break;
        case '!':
            by = ScriptArgType::Single, ref = ScriptArgType::SingleRef;
            break;
        case '#':
            by = ScriptArgType::Double, ref = ScriptArgType::DoubleRef;
            break;
        case '$':
            by = ref = ScriptArgType::String;
            break;
        default:
            return ScriptArgType::Invalid;
    }
    return byRef ? ref : by;
}

constexpr ScriptArgType ParseResult(std::string_view r) {
    if (r == "Long") return ScriptArgType::Long;
    if (r == "Integer") return ScriptArgType::Integer;
    if (r == "Single") return ScriptArgType::Single;
    if (r == "Double") return ScriptArgType::Double;
    if (r == "String") return ScriptArgType::String;
    return ScriptArgType::Invalid;
}

}  // namespace declaration

// True when `arguments` declares exactly the parameter types A... and
// `result` the return type R.
template <class R, class... A>
constexpr bool DeclarationMatches(std::string_view arguments, std::string_view result) {
    constexpr ScriptArgType expected[] = {ScriptArgTypeOf<A>()..., ScriptArgType::Invalid};
    if (declaration::ParseResult(result) != ScriptArgTypeOf<R>()) return false;
    size_t count = 0;
    arguments = declaration::Trim(arguments);
    while (!arguments.empty()) {
        size_t comma = arguments.find(',');
        std::string_view one = arguments.substr(0, comma);
        if (count >= sizeof...(A)) return false;
        ScriptArgType t = declaration::ParseArgument(one);
        if (t == ScriptArgType::Invalid || t != expected[count]) return false;
        ++count;
        if (comma == std::string_view::npos) break;
        arguments.remove_prefix(comma + 1);
        if (declaration::Trim(arguments).empty()) return false;  // a trailing comma
    }
    return count == sizeof...(A);
}

// Hands back `fn` unchanged; does not compile when the declaration differs.
template <class R, class... A>
consteval auto CheckedScriptFunction(const char* arguments, const char* result, R (*fn)(A...)) {
    if (!DeclarationMatches<R, A...>(arguments, result))
        throw "script declaration does not match the host function's C prototype";
    return fn;
}

}  // namespace ob
