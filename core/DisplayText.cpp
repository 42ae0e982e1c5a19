#include "DisplayText.h"

#include <cmath>

#include "NumberFormat.h"
#include "ParameterTable.h"

namespace lumdel {

namespace {

constexpr double kHalfPi = 1.57079632679489661923;

// A step field as a table index, kept inside the table whatever it holds.
int stepIn(int step, int n) { return step < 0 ? 0 : (step >= n ? n - 1 : step); }

// The number a text or readout starts from (0 for a row without that field).
double numberOf(const ParamInfo& p, Shown from, const EngineState& s) {
    switch (from) {
        case Shown::Target: return p.apply.target ? readField(p.apply.target, s) : 0.0;
        case Shown::Value: return p.apply.value ? readField(p.apply.value, s) : 0.0;
        case Shown::HostValue:
            return p.apply.value ? static_cast<float>(readField(p.apply.value, s)) : 0.0f;
    }
    return 0.0;
}

// scale x + offset (an offset of 0 is not added: -0 stays -0).
double scaled(double x, double scale, double offset) {
    const double y = scale * x;
    return offset != 0.0 ? y + offset : y;
}

// Which of a row's words: its step, a threshold switch's half, or the one word.
int wordOf(const ParamInfo& p, const EngineState& s) {
    if (p.kind == ParamKind::ThresholdSwitch) return readField(p.apply.value, s) > 0.5 ? 1 : 0;
    return p.apply.step ? readStep(p.apply.step, s) : 0;
}

// The note table's entry at a row's step.
int noteOf(const ParamInfo& p, const EngineState& s) {
    return static_cast<int>(p.display.table[stepIn(readStep(p.apply.step, s), p.display.entries)]);
}

// "L:-90<>90+:R": how far the right channel's phase leads (+) or lags the left's.
void degreesText(double offset, char* text) {
    const float degrees =
        std::fabs(static_cast<float>(offset)) / static_cast<float>(kHalfPi) * 180.0f + 0.5f;
    const int d = truncToInt(std::floor(degrees));
    if (d == 0)
        copyText(text, "L:0<>0:R", kDisplayTextBytes);
    else if (offset >= 0)
        formatText(text, "L:-%d<>%d+:R", d, d);
    else
        formatText(text, "L:+%d<>%d-:R", d, d);
}

// Four digits and where the point goes, from the number the readout shows.
void fillDigits(double q, Readout& r) {
    if (r.slash != 0) {
        r.number = truncToInt(q + 0.5);
        r.point = 0;
        return;
    }
    const float a = std::fabs(static_cast<float>(q));
    if (a < 10.0f) {
        r.number = truncToInt(1000.0f * a + 0.5f);
        r.point = 1;
    } else if (a < 100.0f) {
        r.number = truncToInt(100.0f * a + 0.5f);
        r.point = 2;
    } else if (a < 1000.0f) {
        r.number = truncToInt(10.0f * a + 0.5f);
        r.point = 3;
    } else {
        r.number = truncToInt(a + 0.5f);
        r.point = 0;
    }
    if (q < 0) r.number = -r.number;
}

// The number a row's readout shows; sets the cells its rule decides.
double readoutNumber(const ParamInfo& p, const EngineState& s, Readout& r) {
    const ReadoutRule& rule = p.readout;
    const double x = numberOf(p, rule.from, s);
    switch (rule.rule) {
        case ReadRule::Level:
            r.slash = 0;
            r.isSigned = true;
            return x < std::pow(10.0, -4.9) ? -100.0 : 20.0 * std::log10(x);
        case ReadRule::Ratio: {
            const int share = ratioShare(x);
            r.slash = share >= 100 ? 1 : (share <= 0 ? 3 : 2);
            r.isSigned = false;
            return share <= 0 ? 1000.0 : share + 100.0 * (100 - share);
        }
        case ReadRule::Plain:
        case ReadRule::Signed:
            r.slash = 0;
            r.isSigned = rule.rule == ReadRule::Signed;
            return scaled(x, rule.scale, rule.offset) / rule.divisor;
        case ReadRule::KeepSign: r.slash = 0; return rule.scale * x;
        case ReadRule::Multiple:
            r.slash = 0;
            r.isSigned = false;
            return std::pow(2.0, x);
        case ReadRule::Fraction:
            r.numerator = noteOf(kParams[rule.numerator], s);
            r.denominator = noteOf(kParams[rule.denominator], s);
            return 0.0;
        case ReadRule::None: break;
    }
    return 0.0;
}

}  // namespace

bool parameterDisplay(const EngineState& s, int index, char* text) {
    if (!text || index < 0 || index >= kNumParams) return false;
    const ParamInfo& p = kParams[index];
    const TextRule& t = p.display;
    const double x = numberOf(p, t.from, s);
    switch (t.format) {
        case Format::Decibel: decibelText(x, text); break;
        case Format::Ratio: {
            const int share = ratioShare(x);
            formatText(text, "%s:%d<>%d:%s", t.text[0], 100 - share, share, t.text[1]);
            break;
        }
        case Format::Percent: percentText(x, text); break;
        case Format::Decimal:
            decimalText(static_cast<float>(scaled(x, t.scale, t.offset)), text);
            break;
        case Format::Whole: integerText(truncToInt(x), text); break;
        case Format::Rounded: integerText(truncToInt(x + 0.5), text); break;
        case Format::Real: formatText(text, "%f", x); break;
        case Format::Words:
            copyText(text, t.text[stepIn(wordOf(p, s), t.entries)], kDisplayTextBytes);
            break;
        case Format::Note: formatText(text, "%d", noteOf(p, s)); break;
        case Format::Degrees: degreesText(x, text); break;
        case Format::Multiple: decimalText(static_cast<float>(std::pow(2.0, x)), text); break;
    }
    return true;
}

void parameterReadout(const EngineState& s, int index, Readout& r) {
    r.numerator = -1;
    double q = 0.0;
    if (index == kTempoReadoutIndex) {
        q = s.hostTempo;
        r.slash = 0;
        r.isSigned = false;
    } else if (index >= 0 && index < kNumParams) {
        q = readoutNumber(kParams[index], s, r);
    }
    fillDigits(q, r);
}

}  // namespace lumdel
