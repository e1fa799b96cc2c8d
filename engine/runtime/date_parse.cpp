// The automation date parser: date and time texts to serial dates.
#include <cstring>
#include <vector>

#include "engine/runtime/dates.h"

namespace tessel::runtime {

namespace {
enum TokenKind { kNumber, kWord, kColon, kSeparator };

struct Token {
    explicit Token(TokenKind k) : kind(k) {}
    TokenKind kind;
    int value = 0;   // number value, or the separator character
    int digits = 0;  // digits of a number
    std::string word;
};

bool Tokenize(std::string_view text, std::vector<Token>& tokens) {
    size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= '0' && c <= '9') {
            Token t(kNumber);
            while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
                if (++t.digits > 9) return false;
                t.value = t.value * 10 + (text[i] - '0');
                ++i;
            }
            tokens.push_back(t);
        } else if ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') {
            Token t(kWord);
            while (i < text.size() && ((text[i] | 0x20) >= 'a' && (text[i] | 0x20) <= 'z')) {
                t.word += static_cast<char>(text[i] | 0x20);
                ++i;
            }
            tokens.push_back(t);
        } else if (c == ':') {
            tokens.push_back(Token(kColon));
            ++i;
        } else if (c == '/' || c == '-' || c == '.' || c == ',') {
            Token t(kSeparator);
            t.value = c;
            tokens.push_back(t);
            ++i;
        } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            ++i;
        } else {
            return false;
        }
    }
    return true;
}

const char* const kMonthNames[12] = {"january",   "february", "march",    "april",
                                     "may",       "june",     "july",     "august",
                                     "september", "october",  "november", "december"};
const char* const kDayNames[7] = {"sunday",   "monday", "tuesday", "wednesday",
                                  "thursday", "friday", "saturday"};

// Matches the full name or a prefix of at least three letters ("sept" too).
bool MatchesName(const std::string& word, const char* name) {
    return word.size() >= 3 && word.size() <= std::strlen(name) &&
           std::strncmp(word.c_str(), name, word.size()) == 0;
}

int MonthOfWord(const std::string& word) {
    for (int m = 0; m < 12; ++m)
        if (MatchesName(word, kMonthNames[m])) return m + 1;
    return 0;
}

bool IsDayName(const std::string& word) {
    for (const char* name : kDayNames)
        if (MatchesName(word, name)) return true;
    return false;
}

int FullYear(const Token& t) {
    if (t.digits <= 2) return t.value < 30 ? 2000 + t.value : 1900 + t.value;
    return t.value;
}

bool IsYearToken(const Token& t) {
    return t.digits >= 3 || t.value > 31;
}
}  // namespace

bool ParseDate(std::string_view text, double& serial) {
    std::vector<Token> tokens;
    if (!Tokenize(text, tokens) || tokens.empty()) return false;

    std::vector<Token> dateNumbers;
    int monthWord = 0;
    bool haveTime = false;
    int hour = 0, minute = 0, second = 0;
    int meridiem = 0;  // 0 none, 1 am, 2 pm

    for (size_t i = 0; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        auto next = [&](size_t k) -> const Token* {
            return i + k < tokens.size() ? &tokens[i + k] : nullptr;
        };
        if (t.kind == kNumber) {
            const Token* n1 = next(1);
            if (n1 && n1->kind == kColon) {
                // h:mm[:ss[.fraction]]
                const Token* n2 = next(2);
                if (haveTime || !n2 || n2->kind != kNumber) return false;
                haveTime = true;
                hour = t.value;
                minute = n2->value;
                i += 2;
                const Token* n3 = next(1);
                const Token* n4 = next(2);
                if (n3 && n3->kind == kColon) {
                    if (!n4 || n4->kind != kNumber) return false;
                    second = n4->value;
                    i += 2;
                    const Token* dot = next(1);
                    const Token* frac = next(2);
                    if (dot && dot->kind == kSeparator && dot->value == '.' && frac &&
                        frac->kind == kNumber) {
                        i += 2;  // fractions of a second are dropped
                    }
                }
            } else if (n1 && n1->kind == kWord && (n1->word == "am" || n1->word == "pm") &&
                       !haveTime) {
                haveTime = true;  // "10 PM"
                hour = t.value;
            } else {
                dateNumbers.push_back(t);
            }
        } else if (t.kind == kWord) {
            if (t.word == "am" || t.word == "pm") {
                if (!haveTime || meridiem != 0) return false;
                meridiem = t.word == "am" ? 1 : 2;
            } else if (int m = MonthOfWord(t.word)) {
                if (monthWord) return false;
                monthWord = m;
            } else if (t.word == "t" && haveTime == false && i + 1 < tokens.size() &&
                       tokens[i + 1].kind == kNumber) {
                // The 'T' between date and time of "2026-12-25T10:30:00".
            } else if (!IsDayName(t.word)) {
                return false;
            }
        } else if (t.kind == kColon) {
            return false;
        }
    }

    // The time fields.
    if (meridiem) {
        if (hour < 1 || hour > 12) return false;
        hour = hour % 12 + (meridiem == 2 ? 12 : 0);
    }
    if (hour > 23 || minute > 59 || second > 59) return false;
    double time = (hour * 3600.0 + minute * 60.0 + second) / 86400.0;

    // The date fields.
    int year = 0, month = 0, day = 0;
    if (monthWord) {
        month = monthWord;
        if (dateNumbers.size() == 1 && IsYearToken(dateNumbers[0])) {
            year = dateNumbers[0].value;
            day = 1;
        } else if (dateNumbers.size() == 2) {
            if (IsYearToken(dateNumbers[0])) {
                year = dateNumbers[0].value;
                day = dateNumbers[1].value;
            } else {
                day = dateNumbers[0].value;
                year = FullYear(dateNumbers[1]);
            }
        } else {
            return false;
        }
    } else if (dateNumbers.empty()) {
        if (!haveTime) return false;
        serial = time;
        return true;
    } else if (dateNumbers.size() == 3) {
        const Token& a = dateNumbers[0];
        const Token& b = dateNumbers[1];
        const Token& c = dateNumbers[2];
        if (IsYearToken(a)) {
            year = a.value;
            month = b.value;
            day = c.value;
        } else {
            month = a.value;
            day = b.value;
            year = FullYear(c);
            if (month > 12 && day <= 12) std::swap(month, day);
        }
    } else {
        return false;
    }
    double date = 0.0;
    if (!SerialFromParts(year, month, day, 0, 0, 0, date)) return false;
    serial = date < 0 ? date - time : date + time;
    return true;
}

}  // namespace tessel::runtime
