// codefile.cpp: compiled-code files. Four tagged records, little-endian:
// 1707 token kinds, 1708 token last characters, 1709 token values (name
// indices), 1706 name texts. Loading checks everything before the stream is
// replayed through the parser.
#include <strings.h>

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
    FILE* f = std::fopen(path, "wb");
    if (!f) return TES_E_FILENOTFOUND;
    bool ok = std::fwrite(file.data(), 1, file.size(), f) == file.size();
    ok = std::fclose(f) == 0 && ok;
    return ok ? TES_OK : TES_E_FAIL;
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
        if (data.size() > (64u << 20)) break;
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
    if (n > (uint32_t)kMaxTokens || kinds.size() != 20 + 2 * (size_t)n || Word(chars, 1) != n ||
        chars.size() != 12 + (size_t)n || Word(values, 1) != n ||
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
        if (kind >= T_COUNT) return bad();
        bool named = kind == T_IDENT || kind == T_INTEGER || kind == T_HEX || kind == T_REAL ||
                     kind == T_STRING;
        if (named && value >= names.size()) return bad();
        if (named && kind != T_STRING && names[value].empty()) return bad();
        if (!named && kind != T_EOF && value != 0) return bad();
        if (kind == T_EOF && value > 1) return bad();
        if (kind == T_EOF && value == 1 && ++sources > kMaxSources) return bad();
    }
    (void)ctx;
    return TES_OK;
}

}  // namespace tessel
