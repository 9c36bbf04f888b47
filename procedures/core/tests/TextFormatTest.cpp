#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <locale.h>
#include <random>
#include <string>

#include "TestFiles.h"
#include "TextFormat.h"

using lmwacore::AppendFixed10;
using lmwacore::kMaxFixed10Chars;
using lmwacore::ParseDoubleC;
using lmwacore::ParsePositiveInt32;

namespace {

std::string Fixed10(double value)
{
    char buffer[kMaxFixed10Chars + 1];
    return std::string(buffer, AppendFixed10(buffer, value));
}

std::string Printf10(double value)
{
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.10f", value);
    return buffer;
}

double StrtodInC(const std::string& text)
{
    locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    double value = strtod_l(text.c_str(), nullptr, c);
    freelocale(c);
    return value;
}

}  // namespace

TEST(Fixed10, LiteralValues)
{
    EXPECT_EQ(Fixed10(0.5), "0.5000000000");
    EXPECT_EQ(Fixed10(-0.25), "-0.2500000000");
    EXPECT_EQ(Fixed10(0.0), "0.0000000000");
    EXPECT_EQ(Fixed10(-0.0), "-0.0000000000");
    EXPECT_EQ(Fixed10(-1e-12), "-0.0000000000");
    EXPECT_EQ(Fixed10(123456789.0), "123456789.0000000000");
    EXPECT_EQ(Fixed10(1e20), "100000000000000000000.0000000000");
    // 2^-11 = 0.00048828125 is an exact tie at ten decimals: glibc rounds to even.
    EXPECT_EQ(Fixed10(0.00048828125), "0.0004882812");
    EXPECT_EQ(Fixed10(-0.00048828125), "-0.0004882812");
    EXPECT_EQ(Fixed10(std::numeric_limits<double>::infinity()), "inf");
    EXPECT_EQ(Fixed10(-std::numeric_limits<double>::infinity()), "-inf");
    EXPECT_EQ(Fixed10(std::nan("")), "nan");
    EXPECT_EQ(Fixed10(-std::nan("")), "-nan");
}

TEST(Fixed10, LargestMagnitudeFitsTheBuffer)
{
    const std::string text = Fixed10(-DBL_MAX);
    EXPECT_EQ(text.size(), kMaxFixed10Chars);
    EXPECT_EQ(text, Printf10(-DBL_MAX));
}

TEST(Fixed10, MatchesPrintfOnRandomValues)
{
    std::mt19937_64 random(20261208);
    int mismatches = 0;
    for (int i = 0; i < 300000; ++i) {
        double value = 0.0;
        switch (i % 4) {
        case 0: {  // any bit pattern, NaN and infinity included
            uint64_t bits = random();
            std::memcpy(&value, &bits, sizeof value);
            break;
        }
        case 1:  // everyday magnitudes with all 53 bits used
            value = std::ldexp(static_cast<double>(random() >> 11), -static_cast<int>(random() % 70));
            break;
        case 2:  // k / 2^m with m 30 … 40: many exact ties at the tenth decimal
            value = std::ldexp(static_cast<double>(random() % 100000000), -static_cast<int>(30 + random() % 11));
            break;
        default:  // just below and above a rounding boundary
            value = std::nextafter(static_cast<double>(random() % 1000000) * 5e-11,
                                   (random() & 1) ? 1.0 : -1.0);
            break;
        }
        if (random() & 1) {
            value = -value;
        }
        if (Fixed10(value) != Printf10(value) && ++mismatches < 5) {
            ADD_FAILURE() << Fixed10(value) << " != " << Printf10(value);
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(Fixed10, IgnoresTheProcessLocale)
{
    CommaLocale comma;
    if (!comma.active()) {
        GTEST_SKIP() << "no locale with a decimal comma installed";
    }
    EXPECT_EQ(Fixed10(-1.5), "-1.5000000000");
}

TEST(ParseDoubleC, PlainAndOddNotations)
{
    EXPECT_EQ(ParseDoubleC("0.5000000000"), 0.5);
    EXPECT_EQ(ParseDoubleC("-0.2500000000"), -0.25);
    EXPECT_EQ(ParseDoubleC("  \t+1.5"), 1.5);
    EXPECT_EQ(ParseDoubleC("1e3"), 1000.0);
    EXPECT_EQ(ParseDoubleC("-2.5E-1"), -0.25);
    EXPECT_EQ(ParseDoubleC(".5"), 0.5);
    EXPECT_EQ(ParseDoubleC("5."), 5.0);
    EXPECT_EQ(ParseDoubleC("0x1p3"), 8.0);
    EXPECT_EQ(ParseDoubleC("-0X10"), -16.0);
    EXPECT_EQ(ParseDoubleC("1,5"), 1.0);  // the comma ends the number
    EXPECT_EQ(ParseDoubleC("12abc"), 12.0);
    EXPECT_EQ(ParseDoubleC("1e"), 1.0);
    EXPECT_TRUE(std::isinf(ParseDoubleC("inf")));
    EXPECT_TRUE(std::isinf(ParseDoubleC("-Infinity")));
    EXPECT_TRUE(std::isnan(ParseDoubleC("nan")));
    EXPECT_TRUE(std::isinf(ParseDoubleC("1e400")));
    EXPECT_EQ(ParseDoubleC("1e-400"), 0.0);
    EXPECT_EQ(ParseDoubleC("4.9406564584124654e-324"), std::numeric_limits<double>::denorm_min());
}

TEST(ParseDoubleC, TextThatIsNoNumberGivesZero)
{
    for (const char* text : {"", " ", "abc", ".", "-", "+", "-.", "e5", "--1", "\x01\x02"}) {
        EXPECT_EQ(ParseDoubleC(text), 0.0) << text;
    }
    EXPECT_EQ(ParseDoubleC(std::string_view("\0" "5", 2)), 0.0);
    EXPECT_EQ(ParseDoubleC(std::string_view("7\0" "5", 3)), 7.0);
}

TEST(ParseDoubleC, AgreesWithStrtodOnRandomValuesAndLongDigitStrings)
{
    std::mt19937_64 random(7);
    for (int i = 0; i < 20000; ++i) {
        uint64_t bits = random();
        double value = 0.0;
        std::memcpy(&value, &bits, sizeof value);
        char text[64];
        std::snprintf(text, sizeof text, (i & 1) ? "%.17g" : "%a", value);
        const double parsed = ParseDoubleC(text);
        const double expected = StrtodInC(text);
        if (std::isnan(expected)) {
            EXPECT_TRUE(std::isnan(parsed)) << text;
        } else {
            EXPECT_EQ(parsed, expected) << text;
        }
    }
    const std::string ones(5000, '1');
    EXPECT_EQ(ParseDoubleC(ones), StrtodInC(ones));
    const std::string tiny = "0." + std::string(400, '0') + "1e400";
    EXPECT_EQ(ParseDoubleC(tiny), 0.1);
}

TEST(ParseDoubleC, IgnoresTheProcessLocale)
{
    CommaLocale comma;
    if (!comma.active()) {
        GTEST_SKIP() << "no locale with a decimal comma installed";
    }
    EXPECT_EQ(ParseDoubleC("1.25"), 1.25);
    EXPECT_EQ(ParseDoubleC("0x1.8p1"), 3.0);
}

TEST(ParsePositiveInt32, AcceptsOneToInt32Max)
{
    uint32_t value = 0;
    EXPECT_TRUE(ParsePositiveInt32("1000", value));
    EXPECT_EQ(value, 1000u);
    EXPECT_TRUE(ParsePositiveInt32(" +44100 Hz", value));
    EXPECT_EQ(value, 44100u);
    EXPECT_TRUE(ParsePositiveInt32("2147483647", value));
    EXPECT_EQ(value, 2147483647u);
    EXPECT_TRUE(ParsePositiveInt32("12.9", value));
    EXPECT_EQ(value, 12u);
}

TEST(ParsePositiveInt32, RejectsZeroNegativeTooLargeAndMissing)
{
    uint32_t value = 77;
    for (const char* text : {"0", "-5", "-0", "2147483648", "4294967296", "99999999999999999999", "",
                             " ", "abc", "+", "0x10"}) {
        EXPECT_FALSE(ParsePositiveInt32(text, value)) << text;
        EXPECT_EQ(value, 77u) << text;
    }
}
