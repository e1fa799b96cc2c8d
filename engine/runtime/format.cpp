// The Format built-in: named formats, sections, date and number patterns.
#include "engine/runtime/format.h"

#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <vector>

#include "engine/runtime/cformat.h"
#include "engine/runtime/dates.h"

namespace tessel::runtime {

namespace {

// ---- locale names -------------------------------------------------------

// The user's LC_TIME locale (from the environment), or C when it cannot be loaded.
locale_t TimeLocale() {
    static locale_t locale = [] {
        locale_t l = newlocale(LC_TIME_MASK, "", nullptr);
        return l ? l : newlocale(LC_TIME_MASK, "C", nullptr);
    }();
    return locale;
}

std::string LocaleText(nl_item item) {
    locale_t l = TimeLocale();
    const char* s = l ? nl_langinfo_l(item, l) : nullptr;
    return s ? s : "";
}

std::string DayName(int weekday, bool full) {
    return LocaleText((full ? DAY_1 : ABDAY_1) + weekday);
}

std::string MonthName(int month, bool full) {
    return LocaleText((full ? MON_1 : ABMON_1) + month - 1);
}

// The locale's short date of the fields, through its strftime pattern.
std::string ShortDate(const DateParts& p) {
    std::tm tm{};
    tm.tm_year = p.year - 1900;
    tm.tm_mon = p.month - 1;
    tm.tm_mday = p.day;
    tm.tm_wday = p.weekday;
    tm.tm_yday = p.yearDay - 1;
    std::string pattern = LocaleText(D_FMT);
    if (pattern.empty()) pattern = "%m/%d/%y";
    char buffer[256];
    locale_t l = TimeLocale();
    size_t n = l ? strftime_l(buffer, sizeof buffer, pattern.c_str(), &tm, l)
                 : std::strftime(buffer, sizeof buffer, pattern.c_str(), &tm);
    return std::string(buffer, n);
}

// ---- helpers --------------------------------------------------------------

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

bool StartsNoCase(std::string_view s, size_t at, std::string_view prefix) {
    return s.size() - at >= prefix.size() && EqualNoCase(s.substr(at, prefix.size()), prefix);
}

// Splits a format at ';' outside quotes and escapes.
std::vector<std::string_view> Sections(std::string_view format) {
    std::vector<std::string_view> out;
    size_t start = 0;
    bool quoted = false;
    for (size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && c == '\\') {
            ++i;
        } else if (!quoted && c == ';') {
            out.push_back(format.substr(start, i - start));
            start = i + 1;
        }
    }
    out.push_back(format.substr(start));
    return out;
}

// True when a digit placeholder (0 or #) stands outside quotes and escapes.
bool HasDigitPlaceholder(std::string_view pattern) {
    bool quoted = false;
    for (size_t i = 0; i < pattern.size(); ++i) {
        char c = pattern[i];
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && c == '\\')
            ++i;
        else if (!quoted && (c == '0' || c == '#'))
            return true;
    }
    return false;
}

// ---- number patterns ------------------------------------------------------

enum ItemKind { kDigitZero, kDigitHash, kPoint, kComma, kPercent, kLiteral };

struct Item {
    ItemKind kind;
    std::string text;  // for literals
};

std::vector<Item> ParseNumberSection(std::string_view s) {
    std::vector<Item> items;
    bool seenPoint = false;
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == '\\') {
            if (i + 1 < s.size()) items.push_back({kLiteral, std::string(1, s[++i])});
        } else if (c == '"') {
            size_t end = s.find('"', i + 1);
            if (end == std::string_view::npos) end = s.size();
            items.push_back({kLiteral, std::string(s.substr(i + 1, end - i - 1))});
            i = end;
        } else if (c == '0') {
            items.push_back({kDigitZero, {}});
        } else if (c == '#') {
            items.push_back({kDigitHash, {}});
        } else if (c == '.' && !seenPoint) {
            seenPoint = true;
            items.push_back({kPoint, {}});
        } else if (c == ',') {
            items.push_back({kComma, {}});
        } else if (c == '%') {
            items.push_back({kPercent, {}});
        } else {
            items.push_back({kLiteral, std::string(1, c)});
        }
    }
    return items;
}

bool IsDigitItem(const Item& item) {
    return item.kind == kDigitZero || item.kind == kDigitHash;
}

// "%0*.*f" of a non-negative value, except that a value lying exactly half
// way between two results rounds up (away from zero) like CInt, where the C
// library would round to even: 2.5 gives "3", 0.125 with two decimals "0.13".
std::string FixedDigits(double v, int width, int decimals) {
    std::string rounded = CFormat("%0*.*f", width, decimals, v);
    // A tie shows as 5 followed by zeros; 30 more digits rule out nearly all
    // other values cheaply, the exact expansion (at most 1074 fraction
    // digits for a double) decides.
    std::string more = CFormat("%.*f", decimals + 30, v);
    size_t cut = more.find('.') + static_cast<size_t>(decimals) + 1;
    if (more[cut] != '5' || more.find_first_not_of('0', cut + 1) != std::string::npos)
        return rounded;
    std::string exact = CFormat("%.*f", decimals + 1100, v);
    cut = exact.find('.') + static_cast<size_t>(decimals) + 1;
    if (exact[cut] != '5' || exact.find_first_not_of('0', cut + 1) != std::string::npos)
        return rounded;
    // Truncate, then add one unit in the last kept place.
    std::string kept = exact.substr(0, decimals ? cut : cut - 1);
    int i = static_cast<int>(kept.size()) - 1;
    for (; i >= 0; --i) {
        if (kept[i] == '.') continue;
        if (kept[i] != '9') {
            ++kept[i];
            break;
        }
        kept[i] = '0';
    }
    if (i < 0) kept.insert(0, 1, '1');
    if (static_cast<int>(kept.size()) < width) kept.insert(0, width - kept.size(), '0');
    return kept;
}

// One section applied to a value; `showSign` puts '-' before a negative result.
std::string ApplyNumberSection(double value, std::string_view section, bool showSign) {
    std::vector<Item> items = ParseNumberSection(section);
    size_t n = items.size();
    size_t point = n;
    for (size_t i = 0; i < n; ++i)
        if (items[i].kind == kPoint) point = i;

    // Integer and fraction placeholders, comma roles, percent count.
    std::vector<size_t> intSlots, fracSlots;
    int percents = 0;
    for (size_t i = 0; i < n; ++i) {
        if (IsDigitItem(items[i])) (i < point ? intSlots : fracSlots).push_back(i);
        if (items[i].kind == kPercent) ++percents;
    }
    std::vector<int> commaRole(n, 0);  // 0 literal, 1 grouping, 2 scaling
    bool grouping = false;
    int scaling = 0;
    if (!intSlots.empty()) {
        size_t first = intSlots.front(), last = intSlots.back();
        for (size_t i = 0; i < point; ++i) {
            if (items[i].kind != kComma) continue;
            if (i > first && i < last) {
                commaRole[i] = 1;
                grouping = true;
            } else if (i > last) {
                commaRole[i] = 2;
                ++scaling;
            }
        }
    }

    double v = std::fabs(value);
    for (int k = 0; k < percents; ++k) v *= 100.0;
    for (int k = 0; k < scaling; ++k) v /= 1000.0;

    int decimals = static_cast<int>(fracSlots.size());
    int minFrac = 0;
    for (size_t k = 0; k < fracSlots.size(); ++k)
        if (items[fracSlots[k]].kind == kDigitZero) minFrac = static_cast<int>(k) + 1;
    int minInt = 0;
    for (size_t k = 0; k < intSlots.size(); ++k) {
        if (items[intSlots[k]].kind == kDigitZero) {
            minInt = static_cast<int>(intSlots.size() - k);
            break;
        }
    }

    std::string digits;
    if (!intSlots.empty() || !fracSlots.empty()) {
        int width = minInt + (decimals ? decimals + 1 : 0);
        digits = FixedDigits(v, width, decimals);
    }
    size_t dot = digits.find('.');
    std::string intDigits = digits.substr(0, dot);
    std::string fracDigits = dot == std::string::npos ? std::string() : digits.substr(dot + 1);
    if (minInt == 0 && intDigits == "0") intDigits.clear();
    int keep = decimals;
    while (keep > minFrac && fracDigits[keep - 1] == '0') --keep;

    bool nonZero = false;
    for (char c : intDigits) nonZero |= c != '0';
    for (int k = 0; k < keep; ++k) nonZero |= fracDigits[k] != '0';

    std::string out;
    if (showSign && value < 0 && nonZero) out += '-';
    const int count = static_cast<int>(intDigits.size());
    const int slots = static_cast<int>(intSlots.size());
    auto emitDigit = [&](int k) {
        out += intDigits[k];
        if (grouping && k < count - 1 && (count - 1 - k) % 3 == 0) out += ',';
    };
    int slot = 0, fracSlot = 0;
    for (size_t i = 0; i < n; ++i) {
        const Item& item = items[i];
        switch (item.kind) {
            case kDigitZero:
            case kDigitHash:
                if (i < point) {
                    int index = slot - (slots - count);
                    if (slot == 0)
                        for (int k = 0; k < index && k < count; ++k) emitDigit(k);
                    if (index >= 0 && index < count) emitDigit(index);
                    ++slot;
                } else {
                    if (fracSlot < keep) out += fracDigits[fracSlot];
                    ++fracSlot;
                }
                break;
            case kPoint:
                // A pattern without integer placeholders still shows the whole part.
                if (slots == 0)
                    for (int k = 0; k < count; ++k) emitDigit(k);
                if (keep > 0) out += '.';
                break;
            case kComma:
                if (commaRole[i] == 0) out += ',';
                break;
            case kPercent:
                out += '%';
                break;
            case kLiteral:
                out += item.text;
                break;
        }
    }
    return out;
}

// ---- date patterns --------------------------------------------------------

int RunLength(std::string_view s, size_t at) {
    char c = Lower(s[at]);
    size_t i = at;
    while (i < s.size() && Lower(s[i]) == c) ++i;
    return static_cast<int>(i - at);
}

bool HasMeridiem(std::string_view pattern) {
    for (size_t i = 0; i < pattern.size(); ++i)
        if (StartsNoCase(pattern, i, "am/pm") || StartsNoCase(pattern, i, "ampm")) return true;
    return false;
}

std::string TwoDigits(int v) {
    return CFormat("%2.2d", v);
}

// ---- named formats --------------------------------------------------------

enum NamedKind { kNotNamed, kNamedNumber, kNamedBoolean, kNamedDate };

struct NamedFormat {
    const char* name;
    NamedKind kind;
    const char* pattern;  // number or date pattern; boolean: "true|false" texts
};

const NamedFormat kNamedFormats[] = {
    {"General Number", kNamedNumber, ""},
    {"Currency", kNamedNumber, "$0.00"},
    {"Fixed", kNamedNumber, "0.00"},
    {"Standard", kNamedNumber, "#,0.00"},
    {"Percent", kNamedNumber, "0.00%"},
    {"Yes/No", kNamedBoolean, "Yes|No"},
    {"True/False", kNamedBoolean, "True|False"},
    {"On/Off", kNamedBoolean, "On|Off"},
    {"General Date", kNamedDate, ""},
    {"Short Date", kNamedDate, "<short>"},
    {"Medium Date", kNamedDate, "<short>"},
    {"Long Date", kNamedDate, "dddd, mmmm d, yyyy"},
    {"Short Time", kNamedDate, "hh:nn"},
    {"Medium Time", kNamedDate, "hh:nn AM/PM"},
    {"Long Time", kNamedDate, "hh:nn:ss AMPM"},
};

const NamedFormat* FindNamed(std::string_view format) {
    for (const NamedFormat& f : kNamedFormats)
        if (EqualNoCase(format, f.name)) return &f;
    return nullptr;
}

std::string NamedBoolean(const NamedFormat& f, bool truth) {
    std::string_view texts = f.pattern;
    size_t bar = texts.find('|');
    return std::string(truth ? texts.substr(0, bar) : texts.substr(bar + 1));
}

std::string NamedDate(const NamedFormat& f, double serial) {
    std::string_view pattern = f.pattern;
    if (pattern.empty()) return GeneralDateText(serial);
    if (pattern == "<short>") {
        DateParts p;
        return PartsFromSerial(serial, p) ? ShortDate(p) : std::string();
    }
    return FormatDate(serial, pattern);
}

// A number (its plain text is `plain`) through a non-empty format.
std::string FormatNumberValue(double number, const std::string& plain, std::string_view format) {
    if (const NamedFormat* f = FindNamed(format)) {
        switch (f->kind) {
            case kNamedNumber:
                return *f->pattern ? FormatNumber(number, f->pattern) : plain;
            case kNamedBoolean:
                return NamedBoolean(*f, number != 0.0);
            default:
                return NamedDate(*f, number);
        }
    }
    return FormatNumber(number, format);
}

// A date (serial) through a non-empty format.
std::string FormatDateValue(double serial, std::string_view format) {
    if (const NamedFormat* f = FindNamed(format)) {
        switch (f->kind) {
            case kNamedNumber:
                return *f->pattern ? FormatNumber(serial, f->pattern) : CFormat("%.14g", serial);
            case kNamedBoolean:
                return NamedBoolean(*f, serial != 0.0);
            default:
                return NamedDate(*f, serial);
        }
    }
    std::string_view first = Sections(format).front();
    if (HasDigitPlaceholder(first)) return FormatNumber(serial, format);
    return FormatDate(serial, first);
}

}  // namespace

std::string FormatNumber(double value, std::string_view format) {
    if (!std::isfinite(value)) return CFormat("%.14g", value);
    std::vector<std::string_view> sections = Sections(format);
    if (sections.size() >= 3 && value == 0.0 && !sections[2].empty())
        return ApplyNumberSection(0.0, sections[2], false);
    if (sections.size() >= 2 && value < 0.0 && !sections[1].empty())
        return ApplyNumberSection(value, sections[1], false);
    return ApplyNumberSection(value, sections[0], true);
}

std::string FormatDate(double serial, std::string_view pattern) {
    DateParts p;
    if (!PartsFromSerial(serial, p)) return {};
    bool twelveHour = HasMeridiem(pattern);
    int hour = p.hour;
    if (twelveHour) hour = p.hour % 12 == 0 ? 12 : p.hour % 12;
    std::string out;
    for (size_t i = 0; i < pattern.size();) {
        char c = pattern[i];
        char l = Lower(c);
        if (c == '\\') {
            if (i + 1 < pattern.size()) out += pattern[i + 1];
            i += 2;
        } else if (c == '"') {
            size_t end = pattern.find('"', i + 1);
            if (end == std::string_view::npos) end = pattern.size();
            out += pattern.substr(i + 1, end - i - 1);
            i = end + 1;
        } else if (StartsNoCase(pattern, i, "am/pm")) {
            bool lower = pattern.substr(i, 5) == "am/pm";
            out += p.hour < 12 ? (lower ? "am" : "AM") : (lower ? "pm" : "PM");
            i += 5;
        } else if (StartsNoCase(pattern, i, "ampm")) {
            out += p.hour < 12 ? "AM" : "PM";
            i += 4;
        } else if (l == 'd' || l == 'm') {
            int run = std::min(RunLength(pattern, i), 4);
            int v = l == 'd' ? p.day : p.month;
            if (run == 1)
                out += CFormat("%d", v);
            else if (run == 2)
                out += TwoDigits(v);
            else if (l == 'd')
                out += DayName(p.weekday, run == 4);
            else
                out += MonthName(p.month, run == 4);
            i += run;
        } else if (l == 'y') {
            int run = RunLength(pattern, i);
            if (run >= 4) {
                out += CFormat("%d", p.year);
                i += 4;
            } else if (run >= 2) {
                out += TwoDigits(p.year % 100);
                i += 2;
            } else {
                out += CFormat("%d", p.yearDay);
                i += 1;
            }
        } else if (l == 'h' || l == 'n' || l == 's') {
            int run = std::min(RunLength(pattern, i), 2);
            int v = l == 'h' ? hour : l == 'n' ? p.minute : p.second;
            out += run == 2 ? TwoDigits(v) : CFormat("%d", v);
            i += run;
        } else if (l == 'q') {
            out += CFormat("%d", (p.month - 1) / 3 + 1);
            i += 1;
        } else {
            out += c;
            i += 1;
        }
    }
    return out;
}

std::string GeneralDateText(double serial) {
    DateParts p;
    if (!PartsFromSerial(serial, p)) return CFormat("%.14g", serial);
    bool hasDate = std::trunc(serial) != 0.0;
    bool hasTime = p.hour != 0 || p.minute != 0 || p.second != 0;
    std::string out;
    if (hasDate) out = ShortDate(p);
    if (hasTime || !hasDate) {
        if (!out.empty()) out += ' ';
        out += FormatDate(serial, "hh:nn:ss AMPM");
    }
    return out;
}

std::string Format(const Value& value, std::string_view format, Report& report) {
    switch (value.type) {
        case kTypeEmpty:
            return "Empty";
        case kTypeNull:
            return "Null";
        case kTypeInteger:
        case kTypeLong:
        case kTypeSingle:
        case kTypeDouble: {
            Report ignored;
            std::string plain = ToText(value, ignored);
            if (format.empty()) return plain;
            return FormatNumberValue(value.number, plain, format);
        }
        case kTypeDate:
            if (format.empty()) return GeneralDateText(value.number);
            return FormatDateValue(value.number, format);
        case kTypeString: {
            if (format.empty()) return value.text;
            double serial = 0.0;
            if (ParseDate(value.text, serial)) return FormatDateValue(serial, format);
            if (IsNumericText(value.text))
                return FormatNumberValue(LeadingDouble(value.text), value.text, format);
            return value.text;
        }
        default:
            Fail(report, Status::kFormatUnknownType, value.type);
            return {};
    }
}

}  // namespace tessel::runtime
