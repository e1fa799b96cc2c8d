// codefile.cpp: compiled-code files. Four tagged records, little-endian:
// 1707 token kinds, 1708 token last characters, 1709 token values (name
// indices), 1706 name texts. Loading checks everything before the stream is
// replayed through the parser.
#include <fcntl.h>
#include <limits.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "engine/builtins.h"
#include "engine/context.h"

namespace tessel {

namespace {

enum : uint32_t {
    kTagKinds = 1707,
    kTagChars = 1708,
    kTagValues = 1709,
    kTagNames = 1706,
    kClassWord = 0x54455331
};

void Put32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out += (char)((v >> (8 * i)) & 0xFF);
}

void Record(std::string& out, uint32_t tag, const std::string& body) {
    Put32(out, (uint32_t)body.size());
    Put32(out, tag);
    out += body;
}

struct Reader {
    const std::string& data;
    size_t pos = 0;
    bool Get32(uint32_t& v) {
        if (data.size() - pos < 4) return false;
        v = 0;
        for (int i = 0; i < 4; ++i) v |= (uint32_t)(uint8_t)data[pos + i] << (8 * i);
        pos += 4;
        return true;
    }
    // One record of the expected tag: its body.
    bool Record(uint32_t tag, std::string& body) {
        uint32_t len, t;
        if (!Get32(len) || !Get32(t) || t != tag || data.size() - pos < len) return false;
        body = data.substr(pos, len);
        pos += len;
        return true;
    }
};

// FNV-1a over the whole file with the checksum word (offset 16: the first
// reserved word of the token-kind record) taken as zero.
constexpr size_t kSumOffset = 16;
uint32_t Checksum(const std::string& data) {
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < data.size(); ++i) {
        uint8_t b = (i >= kSumOffset && i < kSumOffset + 4) ? 0 : (uint8_t)data[i];
        h = (h ^ b) * 16777619u;
    }
    return h;
}

uint32_t Word(const std::string& b, size_t i) {
    uint32_t v = 0;
    for (int k = 0; k < 4; ++k) v |= (uint32_t)(uint8_t)b[i * 4 + k] << (8 * k);
    return v;
}

bool IsTypeChar(char c) {
    return c == '%' || c == '&' || c == '!' || c == '#' || c == '$';
}

// The scanner's identifier: a letter or '_', then letters, digits and '_'
// (a type character is kept apart, in the token's last character).
bool IsIdentifierText(const std::string& s) {
    if (s.empty() || !(std::isalpha((unsigned char)s[0]) || s[0] == '_')) return false;
    for (char c : s)
        if (!(std::isalnum((unsigned char)c) || c == '_')) return false;
    return true;
}

// The scanner's number: digits, an optional fraction, an optional exponent,
// an optional type character other than '$'; real when it has a fraction or
// an exponent.
bool IsNumberText(const std::string& s, bool real) {
    auto digit = [&](size_t i) { return i < s.size() && std::isdigit((unsigned char)s[i]); };
    size_t i = 0;
    if (!(digit(0) || (s.size() > 1 && s[0] == '.' && digit(1)))) return false;
    bool isReal = false;
    while (digit(i)) ++i;
    if (i < s.size() && s[i] == '.') {
        isReal = true;
        ++i;
        while (digit(i)) ++i;
    }
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e') &&
        (digit(i + 1) ||
         (i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-') && digit(i + 2)))) {
        isReal = true;
        i += 2;
        while (digit(i)) ++i;
    }
    if (i < s.size() && IsTypeChar(s[i]) && s[i] != '$') ++i;
    return i == s.size() && isReal == real;
}

// "&H" or "&O", hexadecimal digits, an optional '&'.
bool IsHexText(const std::string& s) {
    if (s.size() < 3 || s[0] != '&' || !(s[1] == 'H' || s[1] == 'h' || s[1] == 'O' || s[1] == 'o'))
        return false;
    size_t i = 2;
    while (i < s.size() && std::isxdigit((unsigned char)s[i])) ++i;
    if (i == 2) return false;
    if (i < s.size() && s[i] == '&') ++i;
    return i == s.size();
}

bool IsStringText(const std::string& s) {
    for (char c : s)
        if (c == '"' || c == '\n' || c == '\r' || c == '\x1a') return false;
    return true;
}

// The operators and punctuation the scanner records, with their texts.
const char* OperatorText(int kind) {
    switch (kind) {
        case T_NE:
            return "<>";
        case T_LE:
            return "<=";
        case T_GE:
            return ">=";
        case T_ASSIGNNAMED:
            return ":=";
        case T_EQ:
            return "=";
        case T_LT:
            return "<";
        case T_GT:
            return ">";
        case T_PLUS:
            return "+";
        case T_MINUS:
            return "-";
        case T_AMP:
            return "&";
        case T_MUL:
            return "*";
        case T_DIV:
            return "/";
        case T_POW:
            return "^";
        case T_LPAREN:
            return "(";
        case T_RPAREN:
            return ")";
        case T_COMMA:
            return ",";
        case T_COLON:
            return ":";
        case T_SEMI:
            return ";";
        case T_HASH:
            return "#";
        case T_DOT:
            return ".";
        default:
            return nullptr;
    }
}

// True when the scanner could have recorded this token: only the raw kinds
// it produces (keywords and declared names are identifiers in the stream;
// the kinds the parser gives them are never stored), a name of the form
// that kind is scanned from, the last character the recorder writes for
// it, and end-of-file marks only between sources (1) and at the end (0).
bool ScannerCouldRecord(const StreamToken& t, const std::vector<std::string>& names, bool last) {
    bool named = t.kind == T_IDENT || t.kind == T_INTEGER || t.kind == T_HEX || t.kind == T_REAL ||
                 t.kind == T_STRING;
    if (named) {
        if (t.value < 0 || (size_t)t.value >= names.size()) return false;
        const std::string& text = names[t.value];
        switch (t.kind) {
            case T_IDENT:
                if (!IsIdentifierText(text)) return false;
                // The name keeps its first spelling; the token may differ in case.
                return std::tolower(t.last) == std::tolower((unsigned char)text.back()) ||
                       IsTypeChar((char)t.last);
            case T_INTEGER:
            case T_REAL:
                if (!IsNumberText(text, t.kind == T_REAL)) return false;
                break;
            case T_HEX:
                if (!IsHexText(text)) return false;
                break;
            default:
                if (!IsStringText(text)) return false;
                break;
        }
        return t.last == (text.empty() ? 0 : (uint8_t)text.back());
    }
    if (t.kind == T_EOF) return last ? t.value == 0 && t.last == 0 : t.value == 1 && t.last == 0;
    if (last || t.value != 0) return false;
    if (t.kind == T_EOL) return t.last == '\n';
    const char* op = OperatorText(t.kind);
    return op && t.last == (uint8_t)op[std::strlen(op) - 1];
}

// Writes `data` to a temporary file beside the target and renames it over
// the target once everything is written, so a failed write (full disk,
// file-size limit) leaves the old file as it was and removes the temporary.
// A target that exists and is not a regular file (a device, a FIFO, a
// folder, a link to one of them) is refused and left alone; through a link
// to a regular file the file it names is replaced and the link kept.
int32_t WriteReplacing(const char* path, const std::string& data) {
    std::string target = path;
    if (target.empty() || target.back() == '/') return TES_E_FILENOTFOUND;
    struct stat st;
    mode_t mode = 0;  // 0: a new file, created 0666 less the umask
    if (::lstat(path, &st) == 0) {
        if (S_ISLNK(st.st_mode)) {
            if (::stat(path, &st) != 0) return TES_E_ACCESSDENIED;  // a dangling link
            char* real = ::realpath(path, nullptr);
            if (!real) return TES_E_ACCESSDENIED;
            target = real;
            std::free(real);
        }
        if (!S_ISREG(st.st_mode)) return TES_E_ACCESSDENIED;
        mode = st.st_mode & 07777;
    }
    size_t slash = target.rfind('/');
    std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    if (name.size() > NAME_MAX - 24) name.resize(NAME_MAX - 24);
    std::string temporary;
    int fd = -1;
    for (unsigned attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temporary =
            folder + "." + name + "." + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return TES_E_FILENOTFOUND;
    if (mode) ::fchmod(fd, mode);
    bool ok = true;
    for (size_t done = 0; ok && done < data.size();) {
        ssize_t k = ::write(fd, data.data() + done, data.size() - done);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0)
            ok = false;
        else
            done += (size_t)k;
    }
    if (ok && ::fsync(fd) != 0) ok = false;
    if (::close(fd) != 0) ok = false;
    if (ok && ::rename(temporary.c_str(), target.c_str()) != 0) ok = false;
    if (!ok) {
        ::unlink(temporary.c_str());
        return TES_E_FAIL;
    }
    return TES_OK;
}

}  // namespace

int32_t SaveCode(ScriptContext& ctx, const char* path) {
    uint32_t n = (uint32_t)ctx.stream.size();
    std::string kinds, chars, values, names, file;
    Put32(kinds, kClassWord);
    Put32(kinds, n);
    Put32(kinds, 0);
    Put32(kinds, 0);
    Put32(kinds, 0);
    for (const auto& t : ctx.stream) {
        kinds += (char)(t.kind & 0xFF);
        kinds += (char)(t.kind >> 8);
    }
    Put32(chars, kClassWord);
    Put32(chars, n);
    Put32(chars, 0);
    for (const auto& t : ctx.stream) chars += (char)t.last;
    Put32(values, kClassWord);
    Put32(values, n);
    Put32(values, 0);
    for (const auto& t : ctx.stream) Put32(values, (uint32_t)t.value);
    std::string texts;
    for (const auto& e : ctx.names.Entries()) {
        texts += e.text;
        texts += '\0';
    }
    Put32(names, kClassWord);
    Put32(names, (uint32_t)texts.size());
    Put32(names, 0);
    Put32(names, 0);
    names += texts;
    Record(file, kTagKinds, kinds);
    Record(file, kTagChars, chars);
    Record(file, kTagValues, values);
    Record(file, kTagNames, names);
    uint32_t sum = Checksum(file);
    for (int i = 0; i < 4; ++i) file[kSumOffset + i] = (char)((sum >> (8 * i)) & 0xFF);
    return WriteReplacing(path, file);
}

int32_t LoadCode(ScriptContext& ctx, const char* path, std::vector<StreamToken>& tokens,
                 std::vector<std::string>& names) {
    FILE* f = std::fopen(path, "rb");
    if (!f) return TES_E_FILENOTFOUND;
    std::string data;
    char buf[65536];
    size_t k;
    while ((k = std::fread(buf, 1, sizeof buf, f)) > 0) {
        data.append(buf, k);
        if (data.size() > kMaxFileBytes) break;
    }
    std::fclose(f);
    auto bad = [&]() {
        ReportError(ctx, "Invalid file\n");
        return TES_E_BADCODEFILE;
    };
    Reader r{data};
    std::string kinds, chars, values, texts;
    if (!r.Record(kTagKinds, kinds) || !r.Record(kTagChars, chars) ||
        !r.Record(kTagValues, values) || !r.Record(kTagNames, texts) || r.pos != data.size())
        return bad();
    if (kinds.size() < 20 || chars.size() < 12 || values.size() < 12 || texts.size() < 16)
        return bad();
    if (Word(kinds, 2) != Checksum(data)) return bad();
    uint32_t n = Word(kinds, 1);
    if (n == 0 || n > (uint32_t)kMaxTokens || kinds.size() != 20 + 2 * (size_t)n ||
        Word(chars, 1) != n || chars.size() != 12 + (size_t)n || Word(values, 1) != n ||
        values.size() != 12 + 4 * (size_t)n)
        return bad();
    uint32_t bytes = Word(texts, 1);
    if (texts.size() != 16 + (size_t)bytes || (bytes > 0 && texts.back() != '\0')) return bad();
    names.clear();
    size_t p = 16;
    while (p < texts.size()) {
        size_t e = texts.find('\0', p);
        names.push_back(texts.substr(p, e - p));
        p = e + 1;
    }
    if ((int)names.size() > kMaxNames || names.size() < (size_t)T_COUNT) return bad();
    // The engine's own names must be the ones this engine predeclares.
    for (int i = 0; i < T_COUNT; ++i)
        if (names[i] != kTokenNames[i]) return bad();
    int nb;
    const Builtin* table = BuiltinTable(nb);
    for (int i = 0; i < nb; ++i) {
        if (!table[i].name[0]) continue;
        bool found = false;
        for (const auto& s : names)
            if (strcasecmp(s.c_str(), table[i].name) == 0) {
                found = true;
                break;
            }
        if (!found) return bad();
    }
    tokens.resize(n);
    int sources = 1;
    for (uint32_t i = 0; i < n; ++i) {
        uint16_t kind = (uint16_t)((uint8_t)kinds[20 + 2 * i] | ((uint8_t)kinds[21 + 2 * i] << 8));
        uint32_t value = Word(values, 3 + i);
        tokens[i] = {kind, (uint8_t)chars[12 + i], (int32_t)value};
        if (!ScannerCouldRecord(tokens[i], names, i + 1 == n)) return bad();
        if (kind == T_EOF && value == 1 && ++sources > kMaxSources) return bad();
    }
    (void)ctx;
    return TES_OK;
}

}  // namespace tessel
