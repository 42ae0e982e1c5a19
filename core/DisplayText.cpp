#include "DisplayText.h"

#include <cmath>

#include "NumberFormat.h"

namespace lumdel {

namespace {

constexpr double kHalfPi = 1.57079632679489661923;

// A step field as a table index, kept inside the table whatever it holds.
int stepIn(int step, int n) { return step < 0 ? 0 : (step >= n ? n - 1 : step); }

int delayNumerator(int step) { return static_cast<int>(kDelayNumeratorTable[stepIn(step, 5)]); }
int preNumerator(int step) { return static_cast<int>(kPreDelayNumeratorTable[stepIn(step, 6)]); }
int lfoNumerator(int step) { return static_cast<int>(kLfoNumeratorTable[stepIn(step, 5)]); }
int denominator(int step) { return static_cast<int>(kDenominatorTable[stepIn(step, 13)]); }

void onOff(bool on, char* text) { copyText(text, on ? "on" : "off", kDisplayTextBytes); }

void choice(int step, const char* const* names, int n, char* text) {
    copyText(text, names[stepIn(step, n)], kDisplayTextBytes);
}

// "L:%d<>%d:R" and its kin: the left share and the right share of u.
void ratioText(const char* format, double u, char* text) {
    const int p = ratioShare(u);
    formatText(text, format, 100 - p, p);
}

void delayTimeText(double ms, char* text) { formatText(text, "%f", ms); }

}  // namespace

bool parameterDisplay(const EngineState& s, int index, char* text) {
    if (!text || index < 0 || index > 59) return false;
    static const char* const kWaves[] = {"sin", "sqr", "tri", "saw", "rnd"};
    static const char* const kTypes[] = {"LPF", "BPF", "HPF"};
    static const char* const kModes[] = {"in", "fb", "fx"};
    const ChannelSettings& ch = s.channels;
    switch (index) {
        case 0: decibelText(s.inputGain.target, text); break;
        case 1: decibelText(s.outputGain.target, text); break;
        case 2: ratioText("D:%d<>%d:W", s.mix.target, text); break;
        case 3: decibelText(ch.fbGain.target[0], text); break;
        case 4: decibelText(ch.fbGain.target[1], text); break;
        case 5: ratioText("L:%d<>%d:R", ch.fbPan.target[0], text); break;
        case 6: ratioText("L:%d<>%d:R", ch.fbPan.target[1], text); break;
        case 7: onOff(ch.fbInv[0] == 1, text); break;
        case 8: onOff(ch.fbInv[1] == 1, text); break;
        case 9: choice(s.lfoWave, kWaves, 5, text); break;
        case 10: decimalText(static_cast<float>(s.lfoRateHz), text); break;
        case 11: {
            const float degrees = std::fabs(static_cast<float>(s.lrOffset)) /
                                      static_cast<float>(kHalfPi) * 180.0f + 0.5f;
            const int d = truncToInt(std::floor(degrees));
            if (d == 0)
                copyText(text, "L:0<>0:R", kDisplayTextBytes);
            else if (s.lrOffset >= 0)
                formatText(text, "L:-%d<>%d+:R", d, d);
            else
                formatText(text, "L:+%d<>%d-:R", d, d);
            break;
        }
        case 12: ratioText("L:%d<>%d:E", s.modSrc.target, text); break;
        case 13: percentText(s.cutfMod.target, text); break;
        case 14: choice(s.fltType, kTypes, 3, text); break;
        case 15: integerText(truncToInt(s.cutoff.target), text); break;
        case 16: decimalText(static_cast<float>(10.0 * s.resoValue), text); break;
        case 17: decimalText(static_cast<float>(std::pow(2.0, s.vcoMan)), text); break;
        case 18: percentText(s.vcoMod.target, text); break;
        case 19: onOff(ch.dlyInv[0] == 1, text); break;
        case 20: onOff(ch.dlyInv[1] == 1, text); break;
        case 21: decibelText(s.driveGain.target, text); break;
        case 22: integerText(truncToInt(s.envTimeMs + 0.5), text); break;
        case 23: choice(s.fltMode, kModes, 3, text); break;
        case 24: copyText(text, ch.dlySync[0] ? "note" : "time", kDisplayTextBytes); break;
        case 25: copyText(text, ch.dlySync[1] ? "note" : "time", kDisplayTextBytes); break;
        case 26: formatText(text, "%d", delayNumerator(ch.dlyNum[0])); break;
        case 27: formatText(text, "%d", delayNumerator(ch.dlyNum[1])); break;
        case 28: formatText(text, "%d", denominator(ch.dlyDen[0])); break;
        case 29: formatText(text, "%d", denominator(ch.dlyDen[1])); break;
        case 30: formatText(text, "%d", truncToInt(ch.rangeMs[0] + 0.5)); break;
        case 31: formatText(text, "%d", truncToInt(ch.rangeMs[1] + 0.5)); break;
        case 32: copyText(text, s.lfoMode != 0 ? "note" : "freq", kDisplayTextBytes); break;
        case 33: formatText(text, "%d", lfoNumerator(s.lfoNum)); break;
        case 34: formatText(text, "%d", denominator(s.lfoDen)); break;
        case 35: delayTimeText(ch.dlyTimeMs[0], text); break;
        case 36: delayTimeText(ch.dlyTimeMs[1], text); break;
        case 37: copyText(text, s.rvbMode == 1 ? "out" : "fx", kDisplayTextBytes); break;
        case 38: copyText(text, s.rvbType == 1 ? "plate" : "spring", kDisplayTextBytes); break;
        case 39: decimalText(static_cast<float>(100.0 * s.rvbDampValue), text); break;
        case 40: decimalText(static_cast<float>(100.0 * s.rvbAmtValue), text); break;
        case 41: onOff(s.bypass == 1, text); break;
        case 42: onOff(s.fltOn == 1, text); break;
        case 43:
        case 44: copyText(text, "n/a", kDisplayTextBytes); break;
        case 45: onOff(s.vcoOn == 1, text); break;
        case 46: onOff(s.rvbOn == 1, text); break;
        case 47: percentText(s.modSensValue, text); break;
        case 48: ratioText("L:%d<>%d:R", ch.dlyPan.target[0], text); break;
        case 49: ratioText("L:%d<>%d:R", ch.dlyPan.target[1], text); break;
        case 50: decibelText(ch.gateThreshold.target[0], text); break;
        case 51: decibelText(ch.gateThreshold.target[1], text); break;
        case 52: decimalText(static_cast<float>(24.0 * s.duckingValue - 24.0), text); break;
        case 53: percentText(s.resoMod.target, text); break;
        case 54: formatText(text, "%d", preNumerator(ch.preNum[0])); break;
        case 55: formatText(text, "%d", preNumerator(ch.preNum[1])); break;
        case 56: formatText(text, "%d", denominator(ch.preDen[0])); break;
        case 57: formatText(text, "%d", denominator(ch.preDen[1])); break;
        case 58: copyText(text, ch.muteInValue[0] > 0.5 ? "muted" : "off", kDisplayTextBytes); break;
        case 59: copyText(text, ch.muteInValue[1] > 0.5 ? "muted" : "off", kDisplayTextBytes); break;
        default: return false;
    }
    return true;
}

void parameterReadout(const EngineState& s, int index, float parameterValue, Readout& r) {
    r.numerator = -1;
    double q = 0.0;

    auto level = [&](double gain) {
        q = gain < std::pow(10.0, -4.9) ? -100.0 : 20.0 * std::log10(gain);
        r.slash = 0;
        r.isSigned = true;
    };
    auto ratio = [&](double u) {
        const int p = ratioShare(u);
        r.slash = p >= 100 ? 1 : (p <= 0 ? 3 : 2);
        q = p <= 0 ? 1000.0 : p + 100.0 * (100 - p);
        r.isSigned = false;
    };
    auto plain = [&](double value, bool isSigned) {
        q = value;
        r.slash = 0;
        r.isSigned = isSigned;
    };
    auto fraction = [&](int numerator, int den) {
        r.numerator = numerator;
        r.denominator = den;
    };

    const ChannelSettings& ch = s.channels;
    switch (index) {
        case 0: level(s.inputGain.target); break;
        case 1: level(s.outputGain.target); break;
        case 3: level(ch.fbGain.target[0]); break;
        case 4: level(ch.fbGain.target[1]); break;
        case 50: level(ch.gateThreshold.target[0]); break;
        case 51: level(ch.gateThreshold.target[1]); break;
        case 21: plain(20.0 * std::log10(s.driveGain.target), true); break;
        case 2: ratio(s.mix.target); break;
        case 5: ratio(ch.fbPan.target[0]); break;
        case 6: ratio(ch.fbPan.target[1]); break;
        case 12: ratio(s.modSrc.target); break;
        case 48: ratio(ch.dlyPan.target[0]); break;
        case 49: ratio(ch.dlyPan.target[1]); break;
        case 10: plain(s.lfoRateHz, false); break;
        case 11: plain(s.lrOffset * 180.0 / kHalfPi, true); break;
        case 13: plain(100.0 * s.cutfMod.target, true); break;
        case 18: plain(100.0 * s.vcoMod.target, true); break;
        case 53: plain(100.0 * s.resoMod.target, true); break;
        case 15: plain(s.cutoff.target / 1000.0, false); break;
        case 16:
        case 39:
        case 52: plain(24.0 * parameterValue - 24.0, true); break;
        case 17: plain(std::pow(2.0, s.vcoMan), false); break;
        case 22: plain(s.envTimeMs, false); break;
        case 35: plain(ch.dlyTimeMs[0], false); break;
        case 36: plain(ch.dlyTimeMs[1], false); break;
        case 40: plain(100.0 * parameterValue, false); break;
        case 47:
            q = 10.0 * s.modSensValue;
            r.slash = 0;
            break;
        case 61: plain(s.hostTempo, false); break;
        case 26:
        case 28: fraction(delayNumerator(ch.dlyNum[0]), denominator(ch.dlyDen[0])); break;
        case 27:
        case 29: fraction(delayNumerator(ch.dlyNum[1]), denominator(ch.dlyDen[1])); break;
        case 33:
        case 34: fraction(lfoNumerator(s.lfoNum), denominator(s.lfoDen)); break;
        case 54:
        case 56: fraction(preNumerator(ch.preNum[0]), denominator(ch.preDen[0])); break;
        case 55:
        case 57: fraction(preNumerator(ch.preNum[1]), denominator(ch.preDen[1])); break;
        default: break;
    }

    if (r.slash == 0) {
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
    } else {
        r.number = truncToInt(q + 0.5);
        r.point = 0;
    }
}

}  // namespace lumdel
