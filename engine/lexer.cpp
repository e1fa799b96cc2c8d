// lexer.cpp: scanning of source text into tokens, token actions, and the
// replay of a recorded token stream.
#include "engine/lexer.h"

#include <locale.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace tessel {

Lexer::Lexer(ScriptContext& ctx, bool replay, const std::vector<StreamToken>* tokens,
             const std::vector<std::string>* names)
    : ctx_(ctx), replay_(replay), tokens_(tokens), names_(names) {
    ctx_.currentSource = 1;
    ctx_.line = 0;
}

// Number literals read '.' as the decimal point under every locale (the
// host may run with a decimal-comma locale).
static double LiteralToDouble(const std::string& digits) {
    static locale_t c = newlocale(LC_ALL_MASK, "C", nullptr);
    return c ? strtod_l(digits.c_str(), nullptr, c) : std::strtod(digits.c_str(), nullptr);
}

static bool IsTypeChar(char c) {
    return c == '%' || c == '&' || c == '!' || c == '#' || c == '$';
}

void Lexer::Record(const Token& t, int value) {
    if (replay_) return;
    if ((int)ctx_.stream.size() >= kMaxTokens) {
        ++ctx_.streamOverflow;
        return;
    }
    char last = t.suffix ? t.suffix : (t.text.empty() ? 0 : t.text.back());
    ctx_.stream.push_back({(uint16_t)t.raw, (uint8_t)last, value});
}

bool Lexer::Scan(Token& t) {
    for (;;) {
        if (src_ >= ctx_.sources.size()) {
            t.raw = T_EOF;
            t.text.clear();
            t.length = 0;
            return true;
        }
        const std::string& s = ctx_.sources[src_].text;
        auto at = [&](size_t i) -> char { return i < s.size() ? s[i] : '\x1a'; };
        while (at(pos_) == ' ' || at(pos_) == '\t' || (at(pos_) == '\r' && at(pos_ + 1) != '\n'))
            ++pos_;
        if (at(pos_) == '\'') {  // comment up to the line end
            while (at(pos_) != '\n' && at(pos_) != '\x1a' &&
                   !(at(pos_) == '\r' && at(pos_ + 1) == '\n'))
                ++pos_;
        }
        t.source = (int)src_ + 1;
        t.line = ctx_.line;
        t.lineStart = lineStart_;
        t.pos = pos_;
        t.column = (int)(pos_ - lineStart_);
        t.suffix = 0;
        t.atLineStart = prevKind_ == T_EOL;
        size_t start = pos_;
        char c = at(pos_);
        if (c == '\x1a') {
            if (src_ + 1 < ctx_.sources.size()) {
                // The next source follows; its line count starts again.
                Token sw;
                sw.raw = T_EOF;
                Record(sw, 1);  // 1: the next source follows; 0: the end
                ++src_;
                pos_ = 0;
                lineStart_ = 0;
                ctx_.line = 0;
                ctx_.currentSource = (int)src_ + 1;
                continue;
            }
            t.raw = T_EOF;
            t.text.clear();
            t.length = 0;
            return true;
        }
        if (c == '\n' || (c == '\r' && at(pos_ + 1) == '\n')) {
            pos_ += c == '\r' ? 2 : 1;
            t.raw = T_EOL;
            t.text = c == '\r' ? "\r\n" : "\n";
            t.length = (int)t.text.size();
            ++ctx_.line;
            lineStart_ = pos_;
            return true;
        }
        if (std::isalpha((unsigned char)c) || c == '_') {
            while (std::isalnum((unsigned char)at(pos_)) || at(pos_) == '_') ++pos_;
            t.text = s.substr(start, pos_ - start);
            if (IsTypeChar(at(pos_)) &&
                !(at(pos_) == '&' && (at(pos_ + 1) == 'H' || at(pos_ + 1) == 'h' ||
                                      at(pos_ + 1) == 'O' || at(pos_ + 1) == 'o'))) {
                t.suffix = at(pos_);
                ++pos_;
            }
            t.raw = T_IDENT;
            t.length = (int)(pos_ - start);
            return true;
        }
        if (std::isdigit((unsigned char)c) ||
            (c == '.' && std::isdigit((unsigned char)at(pos_ + 1)))) {
            bool real = false;
            while (std::isdigit((unsigned char)at(pos_))) ++pos_;
            if (at(pos_) == '.') {
                real = true;
                ++pos_;
                while (std::isdigit((unsigned char)at(pos_))) ++pos_;
            }
            if ((at(pos_) == 'E' || at(pos_) == 'e') &&
                (std::isdigit((unsigned char)at(pos_ + 1)) ||
                 ((at(pos_ + 1) == '+' || at(pos_ + 1) == '-') &&
                  std::isdigit((unsigned char)at(pos_ + 2))))) {
                real = true;
                pos_ += 2;
                while (std::isdigit((unsigned char)at(pos_))) ++pos_;
            }
            if (IsTypeChar(at(pos_)) && at(pos_) != '$') {
                t.suffix = at(pos_);
                ++pos_;
            }
            t.raw = real ? T_REAL : T_INTEGER;
            t.text = s.substr(start, pos_ - start);
            t.length = (int)t.text.size();
            return true;
        }
        if (c == '&' &&
            (at(pos_ + 1) == 'H' || at(pos_ + 1) == 'h' || at(pos_ + 1) == 'O' ||
             at(pos_ + 1) == 'o') &&
            std::isxdigit((unsigned char)at(pos_ + 2))) {
            pos_ += 2;
            while (std::isxdigit((unsigned char)at(pos_))) ++pos_;
            if (at(pos_) == '&') {
                t.suffix = '&';
                ++pos_;
            }
            t.raw = T_HEX;
            t.text = s.substr(start, pos_ - start);
            t.length = (int)t.text.size();
            return true;
        }
        if (c == '"') {
            size_t e = pos_ + 1;
            while (at(e) != '"' && at(e) != '\n' && at(e) != '\x1a' && at(e) != '\r') ++e;
            if (at(e) != '"') {  // unterminated: no transition
                t.raw = T_ERROR;
                t.text = "\"";
                t.length = 1;
                pos_ = e;
                return true;
            }
            t.text = s.substr(pos_ + 1, e - pos_ - 1);
            pos_ = e + 1;
            t.raw = T_STRING;
            t.length = (int)(pos_ - start);
            return true;
        }
        static const struct {
            const char* text;
            int kind;
        } ops[] = {{"<>", T_NE},   {"<=", T_LE},    {">=", T_GE},    {":=", T_ASSIGNNAMED},
                   {"=", T_EQ},    {"<", T_LT},     {">", T_GT},     {"+", T_PLUS},
                   {"-", T_MINUS}, {"&", T_AMP},    {"*", T_MUL},    {"/", T_DIV},
                   {"^", T_POW},   {"(", T_LPAREN}, {")", T_RPAREN}, {",", T_COMMA},
                   {":", T_COLON}, {";", T_SEMI},   {"#", T_HASH},   {".", T_DOT}};
        for (const auto& o : ops) {
            size_t n = std::strlen(o.text);
            if (s.compare(pos_, n, o.text) == 0) {
                pos_ += n;
                t.raw = o.kind;
                t.text = o.text;
                t.length = (int)n;
                return true;
            }
        }
        // No transition from the start state.
        t.raw = T_ERROR;
        t.text = std::string(1, c);
        t.length = 1;
        ++pos_;
        return true;
    }
}

bool Lexer::Replay(Token& t) {
    for (;;) {
        if (replayPos_ >= tokens_->size()) {
            t.raw = T_EOF;
            t.text.clear();
            return true;
        }
        const StreamToken& st = (*tokens_)[replayPos_++];
        t.raw = st.kind;
        t.source = ctx_.currentSource;
        t.line = ctx_.line;
        t.column = 0;
        t.length = 0;
        t.suffix = 0;
        t.atLineStart = prevKind_ == T_EOL;
        if (st.kind == T_EOF && st.value == 1) {
            ++ctx_.currentSource;
            ctx_.line = 0;
            continue;
        }
        switch (st.kind) {
            case T_IDENT:
            case T_INTEGER:
            case T_HEX:
            case T_REAL:
            case T_STRING:
                t.text = (*names_)[st.value];
                if (st.kind == T_IDENT && IsTypeChar((char)st.last)) t.suffix = (char)st.last;
                if ((st.kind == T_INTEGER || st.kind == T_REAL || st.kind == T_HEX) &&
                    !t.text.empty() && IsTypeChar(t.text.back()))
                    t.suffix = t.text.back();
                break;
            case T_EOL:
                t.text = "\n";
                ++ctx_.line;
                break;
            default:
                t.text = st.kind < T_COUNT ? kTokenNames[st.kind] : "";
                break;
        }
        t.length = (int)t.text.size();
        return true;
    }
}

bool Lexer::Next(Token& t) {
    if (!(replay_ ? Replay(t) : Scan(t))) return false;
    t.kind = t.raw;
    t.name = 0;
    bool ok = Action(t);
    if (t.raw != T_ERROR) Record(t, t.name);
    prevKind_ = t.kind == T_EOL ? T_EOL : t.raw;
    return ok;
}

// The constant cell of a literal, made once per name.
static int ConstCell(ScriptContext& ctx, int name, uint16_t type) {
    NameEntry& e = ctx.names[name];
    if (e.globalCell) return e.globalCell;
    int cell = ctx.NewCell(type, name);
    ctx.storage[cell].flags |= CF_CONST;
    ctx.names[name].globalCell = cell;
    return cell;
}

bool Lexer::Action(Token& t) {
    std::string err;
    switch (t.raw) {
        case T_IDENT: {
            t.name = ctx_.names.Enter(t.text, false, err);
            if (t.name < 0) {
                ReportError(ctx_, err);
                t.name = 0;
                return false;
            }
            NameEntry& e = ctx_.names[t.name];
            t.kind = e.kind;
            // The host is asked once about a name that has no meaning yet;
            // a name after a dot is a member name, not a variable.
            if (ctx_.undefVarCb && !e.hostAsked && e.kind == T_IDENT && e.globalCell == 0 &&
                prevKind_ != T_DOT) {
                e.hostAsked = true;
                TesVariant v{};
                std::string text = t.text;
                if (ctx_.undefVarCb(ctx_.handle, text.c_str(), &v) == 0) {
                    // A host value: a global Variant holding what the host gave
                    // (an object makes the name an object name).
                    int cell = ctx_.NewCell(VT_VARIANT, t.name);
                    VariantToCell(ctx_, v, ctx_.storage[cell], true);
                    NameEntry& n = ctx_.names[t.name];
                    n.globalCell = cell;
                    n.type = TC_VARIANT;
                    if (ctx_.storage[cell].type == VT_OBJECT) n.kind = T_DECLOBJNAME;
                    t.kind = n.kind;
                }
            }
            return true;
        }
        case T_INTEGER:
        case T_HEX: {
            t.name = ctx_.names.Enter(t.text, false, err);
            if (t.name < 0) {
                ReportError(ctx_, err);
                t.name = 0;
                return false;
            }
            std::string digits = t.text;
            if (t.suffix) digits.pop_back();
            uint16_t type;
            int32_t value;
            if (t.raw == T_HEX) {
                bool octal = digits[1] == 'O' || digits[1] == 'o';
                errno = 0;
                unsigned long long u = std::strtoull(digits.c_str() + 2, nullptr, octal ? 8 : 16);
                if (errno == ERANGE || u > 0xFFFFFFFFull) {
                    ReportError(ctx_, "Constant too large for integer type\n");
                    return true;
                }
                if (u < 0x10000 && t.suffix != '&') {
                    type = VT_INTEGER;
                    value = (int16_t)(uint16_t)u;
                } else {
                    type = VT_LONG;
                    value = (int32_t)(uint32_t)u;
                }
            } else {
                errno = 0;
                long long v = std::strtoll(digits.c_str(), nullptr, 10);
                bool big = errno == ERANGE || v > 2147483647LL;
                if (t.suffix == '#' || t.suffix == '!') {
                    int cell = ConstCell(ctx_, t.name, VT_DOUBLE);
                    double d = LiteralToDouble(digits);
                    if (t.suffix == '!') {
                        ctx_.storage[cell].decl = VT_SINGLE;
                        SetSingle(&ctx_.storage[cell], (float)d);
                    } else
                        SetDouble(&ctx_.storage[cell], d);
                    return true;
                }
                if (big || (t.suffix == '%' && (v < -32768 || v > 32767))) {
                    ReportError(ctx_, "Constant too large for integer type\n");
                    return true;
                }
                value = (int32_t)v;
                type = (v >= -32768 && v <= 32767 && t.suffix != '&') ? VT_INTEGER : VT_LONG;
            }
            ctx_.names[t.name].value = value;
            int cell = ConstCell(ctx_, t.name, type);
            if (type == VT_INTEGER)
                SetInteger(&ctx_.storage[cell], (int16_t)value);
            else
                SetLong(&ctx_.storage[cell], value);
            return true;
        }
        case T_REAL: {
            t.name = ctx_.names.Enter(t.text, false, err);
            if (t.name < 0) {
                ReportError(ctx_, err);
                t.name = 0;
                return false;
            }
            std::string digits = t.text;
            if (t.suffix) digits.pop_back();
            double d = LiteralToDouble(digits);
            if (t.suffix == '%' || t.suffix == '&') {
                ReportError(
                    ctx_,
                    "Type declaration character does not match declared data type for symbol: " +
                        t.text + "\n");
                return true;
            }
            int cell = ConstCell(ctx_, t.name, t.suffix == '!' ? VT_SINGLE : VT_DOUBLE);
            if (t.suffix == '!')
                SetSingle(&ctx_.storage[cell], (float)d);
            else
                SetDouble(&ctx_.storage[cell], d);
            return true;
        }
        case T_STRING: {
            t.name = ctx_.names.Enter(t.text, true, err);
            if (t.name < 0) {
                ReportError(ctx_, err);
                t.name = 0;
                return false;
            }
            int cell = ConstCell(ctx_, t.name, VT_STRING);
            SetString(&ctx_.storage[cell], t.text);
            return true;
        }
        case T_DOT:
            t.kind = prevKind_ == T_EOL ? T_WITHDOT : T_DOT;
            return true;
        default:
            return true;
    }
}

void Lexer::LineAround(const Token& t, std::string& before, std::string& after) const {
    before.clear();
    after.clear();
    if (replay_ || t.source < 1 || t.source > (int)ctx_.sources.size()) return;
    const std::string& s = ctx_.sources[t.source - 1].text;
    if (t.pos > s.size() || t.lineStart > t.pos) return;
    before = s.substr(t.lineStart, t.pos - t.lineStart);
    size_t e = t.pos;
    while (e < s.size() && s[e] != '\n' && s[e] != '\r' && s[e] != '\x1a') ++e;
    after = s.substr(t.pos, e - t.pos);
}

}  // namespace tessel
