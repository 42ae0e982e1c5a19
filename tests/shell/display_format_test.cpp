// The number texts of the parameter display.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <string>

#include "core/NumberFormat.h"

using namespace lumdel;

namespace {

std::string decimal(float x) {
    char t[32];
    std::memset(t, 'x', sizeof t);
    decimalText(x, t);
    return t;
}
std::string decibel(double g) {
    char t[32];
    decibelText(g, t);
    return t;
}
std::string integer(int n) {
    char t[32];
    integerText(n, t);
    return t;
}
std::string percent(double x) {
    char t[32];
    percentText(x, t);
    return t;
}

}  // namespace

// Every display text is pinned value by value by the core's parameter fingerprint; these
// are the rules behind the numbers, and the edges no parameter value reaches.
TEST(DecimalText, EightCharactersTruncatedNeverRounded) {
    EXPECT_EQ(decimal(-0.5f), "-0.50000");
    EXPECT_EQ(decimal(std::nextafter(3.0f, 0.0f)), "2.999999");
    EXPECT_EQ(decimal(1.23456789f), "1.234567");
    for (float x : {0.0f, 0.001f, 1.5f, -7.25f, 99.99f, 12345.6f, -24.08f, 5000.0f, 1e30f})
        EXPECT_EQ(decimal(x).size(), 8u) << x;
    EXPECT_EQ(decimal(1234567.0f), "1234567.");
    EXPECT_EQ(decimal(-1234567.0f), "-234567.");
    EXPECT_EQ(decimal(INFINITY), "oo");
    EXPECT_EQ(decimal(-INFINITY), "-oo");
    EXPECT_EQ(decimal(NAN), "nan");
}

TEST(DecibelText, SilenceAndSinglePrecision) {
    EXPECT_EQ(decibel(-1.0), "-oo");
    EXPECT_EQ(decibel(1e-300), "-oo");  // no float can hold it
    // The logarithm is taken in single precision (20 log10 4 = 12.0412 as a float).
    EXPECT_EQ(decibel(4.0), "12.04120");
    EXPECT_EQ(decibel(INFINITY), "oo");
}

TEST(IntegerText, DigitsSignAndHuge) {
    EXPECT_EQ(integer(-13), "-13");
    EXPECT_EQ(integer(99999999), "99999999");
    EXPECT_EQ(integer(100000000), "Huge!");
    EXPECT_EQ(integer(INT_MAX), "Huge!");
    EXPECT_EQ(integer(INT_MIN), "-2147483648");
    // Zero is shown as "0" (an empty text would look like a missing value).
    EXPECT_EQ(integer(0), "0");
}

TEST(RatioAndPercent, SharesAndRounding) {
    EXPECT_EQ(ratioShare(0.5), 50);  // floor(50.5)
    EXPECT_EQ(ratioShare(1.0), 100);  // 101 becomes 100
    EXPECT_EQ(ratioShare(-0.5), 0);
    EXPECT_EQ(ratioShare(7.0), 100);
    EXPECT_EQ(ratioShare(NAN), 0);

    EXPECT_EQ(percent(-0.001), "0");  // rounds to 0: no minus sign
    EXPECT_EQ(percent(0.125), "13");
    EXPECT_EQ(percent(-0.125), "-13");
    EXPECT_EQ(percent(1e30), "2147483647");
}

TEST(TextBounds, FormattedTextsStayWithinTheirSize) {
    char t[64];
    std::memset(t, 'x', sizeof t);
    formatText(t, "%f", 1e30);
    EXPECT_EQ(std::strlen(t), kDisplayTextBytes - 1);
    EXPECT_EQ(t[kDisplayTextBytes], 'x');
    formatText(t, "%f", 5000.0);
    EXPECT_STREQ(t, "5000.000000");
    copyText(t, "abcdef", 4);
    EXPECT_STREQ(t, "abc");
    copyText(t, nullptr, 4);
    EXPECT_STREQ(t, "");
    copyText(nullptr, "abc", 4);  // no crash
    EXPECT_EQ(truncToInt(NAN), 0);
    EXPECT_EQ(truncToInt(1e300), INT_MAX);
    EXPECT_EQ(truncToInt(-1e300), INT_MIN);
    EXPECT_EQ(truncToInt(-2.7), -2);
}
