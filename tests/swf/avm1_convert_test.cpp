// Script value conversions against what the player prints and computes: number formatting and
// its rounding quirks, string-to-number by movie version, parseInt/parseFloat, escapes,
// encodings and the case tables.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "swf/avm1/convert.h"

using namespace swf::avm1;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

void expect_number(double got, double want, const std::string& what) {
    if (std::isnan(want))
        EXPECT_TRUE(std::isnan(got)) << what << " gave " << got;
    else
        EXPECT_EQ(got, want) << what;  // exact: movies compare these with ===
}

}  // namespace

TEST(Avm1Convert, NumberToStringFollowsThePlayer) {
    const struct {
        double v;
        const char* s;
    } cases[] = {
        {0.0, "0"}, {-0.0, "0"}, {kNaN, "NaN"}, {kInf, "Infinity"}, {-kInf, "-Infinity"},
        {268, "268"}, {-268, "-268"}, {111111111111111, "111111111111111"}, {1e15, "1e+15"},
        {-22222222222222222.0, "-2.22222222222222e+16"}, {1e21, "1e+21"}, {2e19, "2e+19"},
        {1111111111111111.1, "1.11111111111111e+15"}, {11111111111111.111, "11111111111111.1"},
        {0.1 + 0.2, "0.3"}, {0.5, "0.5"}, {-22222222.222222222, "-22222222.2222222"},
        {1.23456789012346e-05, "0.0000123456789012346"},
        {1.23456789012346e-06, "1.23456789012346e-6"}, {5.4 / 100000, "0.000054"},
        {5.4 / 1000000, "5.4e-6"}, {1e-5, "0.00001"}, {1e-6, "1e-6"},
        {0.0999999999999999, "0.0999999999999999"}, {9.999999999999995 / 10, "0.999999999999999"},
        {0.9999999999999999, "1"}, {1.5e300, "1.5e+300"},
        {2.2250738585072014e-308, "2.2250738585072e-308"},
        {std::numeric_limits<double>::max(), "1.79769313486231e+308"},
        {std::numeric_limits<double>::denorm_min(), "4.94065645841247e-324"},
        // Ties are decided on the double quotient, not the exact decimal value.
        {1.234567891234565e-06, "1.23456789123457e-6"},
        {1.234567891234565e-308, "1.23456789123457e-308"},
        {1.234567891234565e+308, "1.23456789123456e+308"},
        {-0.001244567891234565, "-0.00124456789123456"},
        {-0.001234567891234565, "-0.00123456789123457"}, {2.123456789123455, "2.12345678912346"},
    };
    for (const auto& c : cases) EXPECT_EQ(number_to_string(c.v), c.s) << c.v;
}

TEST(Avm1Convert, NumberToStringRadixPrintsTheIntegerPart) {
    const struct {
        double v;
        int radix;
        const char* s;
    } cases[] = {
        {-11, 16, "-b"}, {10, 2, "1010"}, {6, 3, "20"}, {-5, 2, "-101"}, {35, 36, "z"},
        {255.9, 16, "ff"}, {-0.5, 2, "0"}, {6, 0, "6"}, {6, -2, "6"}, {6, 37, "6"},
        {5.4e-6, 10, "5.4e-6"}, {kNaN, 16, "NaN"},
        {18446744073709551616.0, 16, "10000000000000000"}, {1e20, 16, "56bc75e2d63100000"},
        {-1e20, 36, "-l3r41ifs0q5ts"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(number_to_string_radix(c.v, c.radix), c.s) << c.v << " r" << c.radix;
}

TEST(Avm1Convert, StringToNumberByVersion) {
    const struct {
        const char* s;
        int version;
        double want;
    } cases[] = {
        {"150a", 4, 150}, {"ab", 4, 0}, {"0x96", 4, 0}, {"010", 4, 10}, {"", 4, 0},
        {" -2.5e1z", 4, -25}, {"150a", 5, kNaN}, {"0x10", 5, kNaN}, {"010", 5, 10},
        {"-037777777777", 5, -37777777777.0}, {" \t 12", 5, 12}, {"\t\r12", 5, 12},
        {"\r12\r", 5, kNaN}, {"  5  ", 5, kNaN}, {"", 5, kNaN}, {" ", 5, kNaN},
        {"Infinity", 5, kNaN}, {"inf", 5, kNaN}, {"NaN", 5, kNaN}, {"true", 5, kNaN},
        {"123e-1", 5, 12.3}, {".5", 5, 0.5}, {"5.", 5, 5}, {".", 5, kNaN}, {"-", 5, kNaN},
        {"\n  2", 6, 2}, {"2 ", 6, kNaN}, {"2a", 6, kNaN}, {"2e", 6, 2}, {"2E", 6, 2},
        {" -2e-5", 6, -2e-5}, {" -2e5", 6, -200000}, {"-56e-", 6, -56}, {"-56e+", 6, -56},
        {"-56eu", 6, kNaN}, {"1.2.3", 6, kNaN}, {"0x2", 6, 2}, {" 0x2", 6, kNaN}, {"-0x2", 6, kNaN},
        {"0x-2", 6, -2}, {"0x-ffffffff", 6, 1}, {"0xFF000000", 7, -16777216},
        {"0XFF0000", 6, 16711680}, {"0x10.5", 6, kNaN}, {"0xff000z", 6, kNaN}, {"0x", 6, kNaN},
        {"077", 6, 63}, {"-077", 6, -63}, {"+077", 6, 63}, {" 077", 6, 77}, {"010", 15, 8},
        {"07700000000", 6, 1056964608}, {"00", 6, 0}, {"0", 8, 0}, {"08", 6, 8}, {"0.5", 6, 0.5},
        {"0.000", 8, 0}, {"2.6", 6, 2.6},
    };
    for (const auto& c : cases)
        expect_number(string_to_number(c.s, c.version), c.want,
                      std::string("\"") + c.s + "\" v" + std::to_string(c.version));
}

TEST(Avm1Convert, ParseIntReadsPrefixesAndRadix) {
    const struct {
        const char* s;
        bool given;
        double radix;
        double want;
    } cases[] = {
        {"0x-100", false, 0, -256}, {"0x1F", false, 0, 31}, {"077", false, 0, 63},
        {"  077", false, 0, 77}, {"-0100", false, 0, -64}, {"12aaa", false, 0, 12},
        {"  -42.9", false, 0, -42}, {"089", false, 0, 0}, {"abc", false, 0, kNaN},
        {"", false, 0, kNaN}, {"0x", false, 0, kNaN}, {" 0x10", false, 0, 0},
        {"12345678901234", false, 0, 12345678901234.0}, {"ff", true, 16, 255},
        {"0xff", true, 16, 255}, {"077", true, 10, 77}, {"777", true, 8, 511}, {"z", true, 36, 35},
        {"Z", true, 36.9, 35}, {"101", true, 2, 5}, {"2", true, 2, kNaN}, {"10", true, 1, kNaN},
        {"10", true, 37, kNaN}, {"10", true, kNaN, kNaN}, {"10", true, 0, kNaN},
    };
    for (const auto& c : cases)
        expect_number(parse_int(c.s, c.given, c.radix), c.want,
                      std::string("\"") + c.s + "\" r" + std::to_string(c.radix));
}

TEST(Avm1Convert, ParseFloatTakesTheLongestPrefix) {
    const struct {
        const char* s;
        const char* printed;
    } cases[] = {
        {"012345.67890", "12345.6789"}, {"0000.12345GIBBERISH", "0.12345"}, {"1        2", "1"},
        {"    99999.99999   ", "99999.99999"}, {"-22222222.222222222", "-22222222.2222222"},
        {".0000000000000000000000005", "5e-25"}, {"9e99999", "Infinity"}, {"+100e-100", "1e-98"},
        {"-123.234E+66", "-1.23234e+68"}, {".2E20E1", "2e+19"}, {"-034.1+e20", "-34.1"},
        {"10101010e+100", "1.010101e+107"}, {"10101010e-20.0", "1.010101e-13"}, {"10e", "10"},
        {"10e-", "10"}, {"1e4294967297", "10"}, {"e10", "NaN"}, {"1.2345.678", "1.2345678"},
        {"1.2345.6e50", "1.23456"}, {"-2.123123.123219e20", "-2.123123123219"}, {"Infinity", "NaN"},
        {"-Infinity", "NaN"}, {"", "NaN"}, {"-", "NaN"}, {"0xff", "0"}, {"\xC4\xB1", "NaN"},
        {"0e400", "0"},
    };
    for (const auto& c : cases) EXPECT_EQ(number_to_string(parse_float(c.s)), c.printed) << c.s;
    // The player sums fraction digits one by one; this is not the nearest double to .1499999.
    EXPECT_EQ(parse_float(".1499999"), 0.14999990000000005);
}

TEST(Avm1Convert, Int32WrapsModulo2To32) {
    const struct {
        double v;
        int32_t i;
        uint32_t u;
    } cases[] = {
        {kNaN, 0, 0}, {kInf, 0, 0}, {-kInf, 0, 0}, {-0.0, 0, 0}, {1.9, 1, 1},
        {-1.9, -1, 0xFFFFFFFF}, {2147483648.0, INT32_MIN, 0x80000000},
        {-2147483649.0, INT32_MAX, 0x7FFFFFFF}, {4294967296.0 + 5.5, 5, 5},
        {-4294967296.0 * 3 - 1, -1, 0xFFFFFFFF}, {1e300, 0, 0}, {9007199254740994.0, 2, 2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(to_int32(c.v), c.i) << c.v;
        EXPECT_EQ(to_uint32(c.v), c.u) << c.v;
    }
}

TEST(Avm1Convert, EscapeAndUnescape) {
    EXPECT_EQ(escape("AZaz09"), "AZaz09");
    EXPECT_EQ(escape("@*_+-./ \n"), "%40%2A%5F%2B%2D%2E%2F%20%0A");
    EXPECT_EQ(escape("\xC4\x80\xE3\x81\x82"), "%C4%80%E3%81%82");
    EXPECT_EQ(escape(std::string_view("abc\0defg", 8)), "abc");

    const struct {
        const char* s;
        const char* want;
    } cases[] = {
        {"%40%2a%5F", "@*_"}, {"Hello+World", "Hello World"}, {"One%20+mo%2+re", "One  moe"},
        {"%C4%80%E3%81%82", "\xC4\x80\xE3\x81\x82"}, {"%u0100", "0100"}, {"aaa%", "aaa"},
        {"aaa%z", "aaa"}, {"aaa%zz", "aaaz"}, {"aaa%4", "aaa"}, {"aaa%4z", "aaa"},
        {"aaa%4zz", "aaaz"}, {"%%", ""}, {"%_a%@b%.c", "abc"}, {"a%00b", "a"},
        {"%E9t%E9", "\xC3\xA9t\xC3\xA9"},  // stray bytes as Latin-1
    };
    for (const auto& c : cases) EXPECT_EQ(unescape(c.s), c.want) << c.s;
}

TEST(Avm1Convert, Utf8AndUtf16) {
    EXPECT_EQ(utf8_to_utf16("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x8B"), u"a\u00E9\u20AC\U0001F60B");
    // Malformed bytes are Latin-1: a lone lead byte, an overlong '/', a truncated sequence.
    EXPECT_EQ(utf8_to_utf16("\xC3x\xC0\xAF\xE2\x82"), u"\u00C3x\u00C0\u00AF\u00E2\u0082");
    const std::u16string lone = {u'a', 0xD800, u'b', 0xDC00, 0xDBFF};
    EXPECT_EQ(utf8_to_utf16(utf16_to_utf8(lone)), lone);
    EXPECT_EQ(utf16_to_utf8(u"\U0001F60B"), "\xF0\x9F\x98\x8B");
    EXPECT_TRUE(is_ascii("plain ~\x7F"));
    EXPECT_FALSE(is_ascii("caf\xC3\xA9"));
}

TEST(Avm1Convert, FileStringsKeepUtf8ElseWindows1252) {
    const struct {
        const char* bytes;
        int version;
        const char* want;
    } cases[] = {
        {"plain", 5, "plain"}, {"caf\xC3\xA9", 5, "caf\xC3\xA9"}, {"caf\xE9", 5, "caf\xC3\xA9"},
        {"\x80\x93\x81", 4, "\xE2\x82\xAC\xE2\x80\x9C\xC2\x81"},
        {"\xE9t\xE9", 8, "\xC3\xA9t\xC3\xA9"},
        {"\xED\xA0\x80", 6, "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},  // an encoded surrogate is not text
    };
    for (const auto& c : cases)
        EXPECT_EQ(decode_file_string(c.bytes, c.version), c.want) << c.bytes;
}

TEST(Avm1Convert, CaseTables) {
    const struct {
        const char* s;
        const char* lower;
        const char* upper;
    } cases[] = {
        {"teST\xF0\x9F\x98\x8B", "test\xF0\x9F\x98\x8B", "TEST\xF0\x9F\x98\x8B"},
        {"\xC3\x84\xC3\xA4\xC3\x9F\xC3\xBF", "\xC3\xA4\xC3\xA4\xC3\x9F\xC3\xBF",
         "\xC3\x84\xC3\x84\xC3\x9F\xC5\xB8"},  // ÄäßÿŸ
        {"\xC7\x84\xC7\x85\xC7\x86", "\xC7\x86\xC7\x86\xC7\x86",
         "\xC7\x84\xC7\x84\xC7\x84"},                                     // Ǆǅǆ
        {"\xD3\xA4\xD0\x96", "\xD3\xA5\xD0\xB6", "\xD3\xA4\xD0\x96"},     // ӤЖ
        {"\xC4\xB0\xC4\xB1\xC5\xBF", "i\xC4\xB1\xC5\xBF", "\xC4\xB0IS"},  // İıſ
        {"\xCF\x82\xCE\xA2", "\xCF\x82\xCF\x82", "\xCE\xA2\xCE\xA2"},     // ς ↔ U+03A2
        {"\xC8\xBA\xE2\xB1\xA5\xCF\xB7\xC2\xB5", "\xC8\xBA\xE2\xB1\xA5\xCF\xB7\xC2\xB5",
         "\xC8\xBA\xE2\xB1\xA5\xCF\xB7\xC2\xB5"},  // newer letters stay
        {"\xE1\x82\xA0\xEF\xBC\xA1\xE2\x85\xA0", "\xE1\x83\x90\xEF\xBD\x81\xE2\x85\xB0",
         "\xE1\x82\xA0\xEF\xBC\xA1\xE2\x85\xA0"},
        {"A\xC9Z", "a\xC3\xA9z", "A\xC3\x89Z"},  // stray byte read as Latin-1
    };
    for (const auto& c : cases) {
        EXPECT_EQ(to_lower(c.s), c.lower) << c.s;
        EXPECT_EQ(to_upper(c.s), c.upper) << c.s;
    }
    EXPECT_EQ(fold_case("\xC7\xB1\xC7\xB2\xC7\xB3"),
              fold_case("\xC7\xB3\xC7\xB3\xC7\xB3"));  // Ǳǲǳ
    EXPECT_EQ(fold_case("clipXyZ"), "clipxyz");
    EXPECT_NE(fold_case("\xC8\xBA"), fold_case("\xE2\xB1\xA5"));  // Ⱥ / ⱥ
}
