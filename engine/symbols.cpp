// symbols.cpp: the name table and the type-code tables of declarations.
#include "engine/symbols.h"

#include <cctype>
#include <cstdio>

namespace tessel {

const char* const kTokenNames[T_COUNT] = {"<error",
                                          "<identifier",
                                          "<hex",
                                          "<integer",
                                          "<real",
                                          "<string",
                                          "<dot",
                                          "OR",
                                          "AND",
                                          "NOT",
                                          "=",
                                          "<>",
                                          "<",
                                          ">",
                                          "<=",
                                          ">=",
                                          "+",
                                          "-",
                                          "&",
                                          "MOD",
                                          "*",
                                          "/",
                                          "^",
                                          "(",
                                          ")",
                                          "<eol",
                                          "<eof",
                                          "REM",
                                          "SUB",
                                          "END",
                                          "FUNCTION",
                                          ",",
                                          "GLOBAL",
                                          "TYPE",
                                          "OPTION",
                                          "BASE",
                                          "EXPLICIT",
                                          "{Qualifier",
                                          "PUBLIC",
                                          "PRIVATE",
                                          "{DeclaredTypeName",
                                          "{DeclaredObjName",
                                          ":",
                                          "BEGIN",
                                          "DIALOG",
                                          "CALL",
                                          "CLOSE",
                                          "#",
                                          "DO",
                                          "UNTIL",
                                          "LOOP",
                                          "WHILE",
                                          "{EndStmt",
                                          "GOTO",
                                          "{DeclaredLabelName",
                                          "GOSUB",
                                          "SET",
                                          "NOTHING",
                                          "LET",
                                          "IF",
                                          "THEN",
                                          "LINE",
                                          "INPUT",
                                          "NAME",
                                          "AS",
                                          "OPEN",
                                          "FOR",
                                          "PRINT",
                                          "WRITE",
                                          "RETURN",
                                          "SEEK",
                                          "STOP",
                                          "WEND",
                                          "OUTPUT",
                                          "APPEND",
                                          "OKBUTTON",
                                          "CANCELBUTTON",
                                          "CHECKBOX",
                                          "COMBOBOX",
                                          "DROPLISTBOX",
                                          "LISTBOX",
                                          "GROUPBOX",
                                          "PUSHBUTTON",
                                          "TEXT",
                                          "TEXTBOX",
                                          "OPTIONGROUP",
                                          "OPTIONBUTTON",
                                          ";",
                                          "{DeclaredArrayName",
                                          ":=",
                                          "{DeclaredFuncName",
                                          "DECLARE",
                                          "LIB",
                                          "APP",
                                          "ALIAS",
                                          "BYREF",
                                          "BYVAL",
                                          "DIM",
                                          "STATIC",
                                          "TO",
                                          "CONST",
                                          "STEP",
                                          "NEXT",
                                          "ELSEIF",
                                          "ELSE",
                                          "SELECT",
                                          "CASE",
                                          "EndAction",
                                          "{DeclaredDlgTypeName",
                                          "{DeclaredObjMethName",
                                          "{WithDot",
                                          "{DeclaredConstName",
                                          "STRING",
                                          "{DeclaredSubName",
                                          "EXIT",
                                          "BYTE",
                                          "INTEGER",
                                          "LONG",
                                          "SINGLE",
                                          "DOUBLE",
                                          "VARIANT",
                                          "BOOLEAN",
                                          "OBJECT",
                                          "ANY",
                                          "{DeclTypeImplName}"};

uint16_t ValueTypeOf(uint16_t code) {
    switch (code) {
        case TC_INTEGER:
            return VT_INTEGER;
        case TC_LONG:
            return VT_LONG;
        case TC_SINGLE:
            return VT_SINGLE;
        case TC_DOUBLE:
            return VT_DOUBLE;
        case TC_STRING:
            return VT_STRING;
        case TC_OBJECT:
            return VT_OBJECT;
        case TC_USER:
            return VT_USER;
        default:
            return VT_VARIANT;
    }
}

uint16_t TypeCodeOfSuffix(char c) {
    switch (c) {
        case '%':
            return TC_INTEGER;
        case '&':
            return TC_LONG;
        case '!':
            return TC_SINGLE;
        case '#':
            return TC_DOUBLE;
        case '$':
            return TC_STRING;
        default:
            return 0;
    }
}

const char* TypeName(uint16_t code) {
    switch (code) {
        case TC_INTEGER:
            return "Integer";
        case TC_LONG:
            return "Long";
        case TC_SINGLE:
            return "Single";
        case TC_DOUBLE:
            return "Double";
        case TC_STRING:
            return "String";
        case TC_OBJECT:
            return "Object";
        default:
            return "Variant";
    }
}

std::string NameTable::Key(const std::string& text, bool literal) {
    if (literal) return "\"" + text;
    std::string k = text;
    for (auto& ch : k) ch = (char)std::toupper((unsigned char)ch);
    return k;
}

int NameTable::Find(const std::string& text, bool literal) const {
    auto it = index_.find(Key(text, literal));
    return it == index_.end() ? -1 : it->second;
}

int NameTable::Enter(const std::string& text, bool literal, std::string& err) {
    std::string key = Key(text, literal);
    auto it = index_.find(key);
    if (it != index_.end()) return it->second;
    if ((int)entries_.size() >= kMaxNames) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "Number of names exceeds %d\n", kMaxNames);
        err = buf;
        return -1;
    }
    if (poolUsed_ + text.size() + 1 > kNamePoolBytes) {
        err = "Name space full: symName: " + text.substr(0, 200) + "\n";
        return -1;
    }
    poolUsed_ += text.size() + 1;
    NameEntry e;
    e.text = text;
    e.literal = literal;
    entries_.push_back(std::move(e));
    index_.emplace(std::move(key), (int)entries_.size() - 1);
    return (int)entries_.size() - 1;
}

void NameTable::Clear() {
    entries_.clear();
    index_.clear();
    poolUsed_ = 0;
}

}  // namespace tessel
