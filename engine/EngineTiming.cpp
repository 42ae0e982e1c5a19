// Delay times, pre-delays and the LFO rate as the tempo and the note values make them,
// and where they put the taps of the lines.
#include <algorithm>
#include <cmath>

#include "Engine.h"

namespace lumdel {

TapDistances Engine::tapDistances(int line) const {
    const ChannelSettings& ch = channels;
    // The line holds 10 s: a delay of at most 5000 ms plus a pre-delay of at most as
    // much. Times outside that (only reachable with values outside 0..1) are held in.
    double t = ch.dlyTimeMs[line];
    if (!(t > 0.0)) t = 0.0;
    if (t > 5000.0) t = 5000.0;
    double p = ch.dlyTimeMs[line] * kPreDelayNumeratorTable[ch.preNum[line]] /
               kDenominatorTable[ch.preDen[line]];
    if (!(p > 0.0)) p = 0.0;
    if (p > t) p = t;
    const double perMs = sampleRate / 1000.0;
    return {static_cast<int>(p * perMs), static_cast<int>(t * perMs)};
}

void Engine::placeTaps(int line) { stages_.line[line].placeTaps(tapDistances(line)); }

void Engine::applyPendingTimes() {
    channels.dlyFade = StereoFlag{0, 0};
    for (int c = 0; c < 2; ++c) {
        stages_.line[c].fadeGain = 1.0;
        placeTaps(c);
    }
}

double Engine::syncedDelayMs(int line) const {
    return kDelayNumeratorTable[channels.dlyNum[line]] * 240000.0 /
           (kDenominatorTable[channels.dlyDen[line]] * hostTempo);
}

void Engine::recomputeSynced(int flags) {
    if ((flags & kSyncLfo) && lfoMode != 0) {
        double rate = kDenominatorTable[lfoDen] * hostTempo / (240.0 * kLfoNumeratorTable[lfoNum]);
        rate = std::clamp(rate, 0.01, 15.0);
        lfoRateHz = rate;
        updateLfoPhaseInc();
    }
    for (int c = 0; c < 2; ++c) {
        if (!(flags & (c == kLeft ? kSyncLeft : kSyncRight)) || channels.dlySync[c] == 0) continue;
        const double t = std::min(syncedDelayMs(c), 5000.0);
        channels.dlyTimeSetMs[c] = channels.dlyTimeMs[c] = t;
        __atomic_store_n(&channels.dlyFade[c], 1, __ATOMIC_RELEASE);
    }
}

bool Engine::syncOutOfRange(int kind) const {
    switch (kind) {
        case 1: return syncedDelayMs(kLeft) > 5000.0;
        case 2: return syncedDelayMs(kRight) > 5000.0;
        case 4: {
            const double rate =
                kDenominatorTable[lfoDen] * hostTempo / (kLfoNumeratorTable[lfoNum] * 240.0);
            return rate > 15.0 || rate < 0.01;
        }
        case 8:
        case 16: {
            const int c = kind == 8 ? kLeft : kRight;
            const double fraction =
                kPreDelayNumeratorTable[channels.preNum[c]] / kDenominatorTable[channels.preDen[c]];
            return fraction > 1.0;
        }
        default:
            return false;
    }
}

bool Engine::blockTempo(bool haveRecord, double tempo) {
    if (!haveRecord) {
        hostTempoValid = 0;
        return false;
    }
    hostTempoValid = 1;
    // Outside 30..400 BPM (0, negative or not a number included) the tempo stays.
    if (isTempo(tempo) && tempo != hostTempo && tempo >= 30.0 && tempo <= 400.0) {
        hostTempo = tempo;
        hostTempoNorm = (tempo - 30.0) / 370.0;
        return true;
    }
    return false;
}

void Engine::blockLfoLock(bool havePosition, double ppqPos) {
    blockPhaseInc_ = lfoPhaseInc;
    if (lfoMode != 2) return;
    Lfo& lfo = stages_.modulation.lfo;
    if (!havePosition || !std::isfinite(ppqPos)) {
        lfo.phase = 0.0;
        blockPhaseInc_ = 0.0;
        return;
    }
    const double cycles = ppqPos / (kLfoNumeratorTable[lfoNum] * 4.0 / kDenominatorTable[lfoDen]);
    double phase = kTwoPi * (cycles - std::floor(cycles));
    if (phase > kPi) phase -= kTwoPi;
    if (!std::isfinite(phase)) phase = 0.0;
    lfo.phase = phase;
}

}  // namespace lumdel
