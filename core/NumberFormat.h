// The number texts of the parameter display: a decimal text of exactly eight characters
// with truncated digits, decibels, integers, ratios ("D:70<>30:W") and percentages.
//
// Buffer sizes: the decimal, decibel and integer texts use at most 13 bytes with the NUL;
// every display text, whatever the value, stays within kDisplayTextBytes (15) bytes with
// the NUL, the size of the longest regular text ("L:+180<>180-:R"). VST 2.4 hosts announce 8
// bytes but give larger buffers in practice; texts such as
// "D:70<>30:W" need more than 8 and are written all the same.
#pragma once

#include <cstddef>

namespace lumdel {

constexpr std::size_t kDisplayTextBytes = 15;   // longest display text with its NUL
constexpr std::size_t kNumberTextBytes = 13;    // decimal, decibel, integer texts

// Copies src into dst, at most size - 1 characters and always a NUL.
void copyText(char* dst, const char* src, std::size_t size);

// The nearest int of a real value's truncation, saturated (NaN gives 0).
int truncToInt(double v);

// Exactly eight characters: optional "-", integer digits, ".", fractional digits, all
// truncated: 12.5 -> "12.50000", -24 -> "-24.0000", 0.25 -> "0.250000". An integer part
// too long for eight characters keeps its last digits. Infinite values give "oo" or "-oo",
// NaN gives "nan".
void decimalText(float x, char* text);

// "-oo" for g <= 0 (also when g is too small for a float), else the decimal text of
// 20 log10(g) taken in single precision.
void decibelText(double g, char* text);

// "-" for a negative n, then the digits; "Huge!" from 100000000 on. Zero gives "0".
void integerText(int n, char* text);

// The wet (right, envelope) share p of a value u: floor(101 u) in single precision, 101
// taken as 100; kept within 0..100 for values outside 0..1.
int ratioShare(double u);

// Percentage of x rounded to whole numbers: "-50", "0", "100".
void percentText(double x, char* text);

// printf into text with the display bound (at most kDisplayTextBytes with the NUL).
void formatText(char* text, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace lumdel
