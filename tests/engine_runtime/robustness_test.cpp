// Hostile input: random texts and patterns through the parser and Format
// never crash or read outside their strings (this binary also runs under
// AddressSanitizer), and what they produce stays well-formed.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "engine/runtime/dates.h"
#include "engine/runtime/format.h"
#include "engine/runtime/text.h"

using namespace tessel::runtime;

namespace {
std::string RandomText(std::mt19937& rng, const std::string& alphabet, size_t maxLength) {
    std::uniform_int_distribution<size_t> length(0, maxLength);
    std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
    std::string s(length(rng), ' ');
    for (char& c : s) c = alphabet[pick(rng)];
    return s;
}
}  // namespace

TEST(Robustness, RandomDateTexts) {
    std::mt19937 rng(7);
    const std::string dateAlphabet = "0123456789/-.,: amAMpPdecDECjanJANsunfriday\n\t\x01\xff";
    int accepted = 0;
    for (int i = 0; i < 20000; ++i) {
        std::string text = RandomText(rng, dateAlphabet, 24);
        double serial = 0;
        if (ParseDate(text, serial)) {
            ++accepted;
            DateParts p;
            ASSERT_TRUE(PartsFromSerial(serial, p)) << text;
        }
    }
    EXPECT_GT(accepted, 0);
}

TEST(Robustness, RandomPatterns) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-8, 16);
    const std::string numberAlphabet = "0#.,%;\\\"$()+- xE";
    const std::string dateAlphabet = "dmyhnsqAMPamp/:; \\\"x0";
    for (int i = 0; i < 20000; ++i) {
        double v = mantissa(rng) * std::pow(10.0, exponent(rng));
        std::string pattern = RandomText(rng, numberAlphabet, 16);
        std::string out = FormatNumber(v, pattern);
        // Only digits, the sign, separators and characters of the pattern appear.
        for (char c : out) {
            bool fromDigits =
                (c >= '0' && c <= '9') || c == '-' || c == ',' || c == '.' || c == '%';
            ASSERT_TRUE(fromDigits || pattern.find(c) != std::string::npos)
                << "value " << v << " pattern [" << pattern << "] gave [" << out << "]";
        }
        std::string datePattern = RandomText(rng, dateAlphabet, 16);
        Report r;
        Format(Value::Date(std::fabs(v)), datePattern, r);
        Format(Value::String(RandomText(rng, "0123456789/:. -ab", 12)), pattern, r);
        EXPECT_EQ(r.status, Status::kOk);
    }
    Report r;
    EXPECT_EQ(Format(Value::Double(1.5), std::string(5000, '0') + ".0", r).size(), 5002u);
    EXPECT_EQ(FormatNumber(1e308, "0").size(), 309u);
}
