// Parameter application: the one place where a normalised value becomes engine
// settings, through the curve or step rule of its index. Any thread may call it; apart
// from the reverb type every write is a single aligned store that the block tolerates
// at any moment.
#include <algorithm>
#include <chrono>
#include <cmath>

#include "ParameterTable.h"
#include "PluginCore.h"

namespace lumdel {

namespace {

// The value a derived setting is computed from: what the host sent, held within 0..1.
// (The value itself is stored as sent; getParameter gives it back unchanged.)
float unit(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

// v² formed in single precision, then widened.
double squareOf(float v) { return static_cast<double>(v * v); }

// Marks a line's fade after its new time is in place (the block clears the mark first
// and then reads the time).
void markFade(std::uint8_t& flag) { __atomic_store_n(&flag, 1, __ATOMIC_RELEASE); }

}  // namespace

void PluginCore::applyParameter(int index, float value) {
    if (index < 0 || index >= kNumParams || !std::isfinite(value)) return;
    EngineState& e = engine_;
    // v drives the engine; value (as sent) is what is stored.
    const double v = unit(value);
    switch (index) {
        case kInput:
            e.inputValue = value;
            e.inputGain.target = 4.0 * squareOf(unit(value));
            break;
        case kOutput:
            e.outputValue = value;
            e.outputGain.target = 4.0 * squareOf(unit(value));
            break;
        case kMix:
            e.mixValue = value;
            e.mix.target = v;
            break;
        case kFbGainL:
            e.channels.fbGainValue[0] = value;
            e.channels.fbGain.target[0] = v;
            break;
        case kFbGainR:
            e.channels.fbGainValue[1] = value;
            e.channels.fbGain.target[1] = v;
            break;
        case kFbPanL:
            e.channels.fbPanValue[0] = value;
            e.channels.fbPan.target[0] = v;
            break;
        case kFbPanR:
            e.channels.fbPanValue[1] = value;
            e.channels.fbPan.target[1] = v;
            break;
        case kDlyPanL:
            e.channels.dlyPanValue[0] = value;
            e.channels.dlyPan.target[0] = v;
            break;
        case kDlyPanR:
            e.channels.dlyPanValue[1] = value;
            e.channels.dlyPan.target[1] = v;
            break;
        case kDlyGateL:
            e.channels.gateValue[0] = value;
            e.channels.gateThreshold.target[0] = squareOf(unit(value));
            break;
        case kDlyGateR:
            e.channels.gateValue[1] = value;
            e.channels.gateThreshold.target[1] = squareOf(unit(value));
            break;
        case kDucking:
            e.duckingValue = value;
            e.duckThreshold = duckThresholdFor(v);
            break;
        case kLFORate: {
            double rate = std::pow(16.0, v) - 1.0;
            if (!std::isfinite(rate)) return;
            if (rate < 0.01) rate = 0.01;
            e.lfoRateValue = value;
            e.lfoRateHz = rate;
            engine_.updateLfoPhaseInc();
            break;
        }
        case kLROffset:
            e.lrOffsetValue = value;
            e.lrOffset = (v - 0.5) * kPi;
            break;
        case kModSrc:
            e.modSrcValue = value;
            e.modSrc.target = v;
            break;
        case kCutfMod:
            e.cutfModValue = value;
            e.cutfMod.target = (v - 0.5) * 2.0;
            break;
        case kResoMod:
            e.resoModValue = value;
            e.resoMod.target = (v - 0.5) * 2.0;
            break;
        case kCutoff: {
            double hz = 64.0 * std::pow(2.0, 8.0 * v) - 14.0;
            if (!std::isfinite(hz)) return;
            if (hz > 16000.0) hz = 16000.0;
            if (hz > e.sampleRate * 0.5) hz = e.sampleRate * 0.5;
            e.cutoffValue = value;
            e.cutoff.target = hz;
            break;
        }
        case kReso:
            e.resoValue = value;
            e.reso.target = v < 0.05 ? 0.05 : v;
            break;
        case kVcoMan:
            e.vcoManValue = value;
            e.vcoMan = (v - 0.5) * 2.0;
            break;
        case kVcoMod:
            e.vcoModValue = value;
            e.vcoMod.target = (v - 0.5) * 2.0;
            break;
        case kDrive: {
            const double gain = std::pow(2.0, 4.0 * v);
            if (!std::isfinite(gain)) return;
            e.driveValue = value;
            e.driveGain.target = gain;
            break;
        }
        case kModSens: {
            const double sens = std::pow(2.0, 4.0 * v);
            if (!std::isfinite(sens)) return;
            e.modSensValue = value;
            e.modSens = sens;
            break;
        }
        case kRvbAmt:
            e.rvbAmtValue = value;
            e.reverbAmount = v;
            break;
        case kMuteInL:
            e.channels.muteInValue[0] = value;
            e.channels.muteIn.target[0] = v > 0.5 ? 0.0 : 1.0;
            break;
        case kMuteInR:
            e.channels.muteInValue[1] = value;
            e.channels.muteIn.target[1] = v > 0.5 ? 0.0 : 1.0;
            break;
        case kEnvSpeed:
            e.envSpeedValue = value;
            e.envTimeMs = 100.0 + 900.0 * v;
            engine_.updateEnvSpeedCoefs();
            break;

        // Switches and steps act at once.
        case kFbInvL:
            e.channels.fbInvValue[0] = value;
            e.channels.fbInv[0] = toStep(value, 2);
            e.channels.fbSign[0] = e.channels.fbInv[0] ? -1.0 : 1.0;
            break;
        case kFbInvR:
            e.channels.fbInvValue[1] = value;
            e.channels.fbInv[1] = toStep(value, 2);
            e.channels.fbSign[1] = e.channels.fbInv[1] ? -1.0 : 1.0;
            break;
        case kDlyInvL:
            e.channels.dlyInvValue[0] = value;
            e.channels.dlyInv[0] = toStep(value, 2);
            e.channels.dlySign[0] = e.channels.dlyInv[0] ? -1.0 : 1.0;
            break;
        case kDlyInvR:
            e.channels.dlyInvValue[1] = value;
            e.channels.dlyInv[1] = toStep(value, 2);
            e.channels.dlySign[1] = e.channels.dlyInv[1] ? -1.0 : 1.0;
            break;
        case kLFOWave:
            e.lfoWaveValue = value;
            e.lfoWave = toStep(value, 5);
            break;
        case kFltType:
            e.fltTypeValue = value;
            e.fltType = toStep(value, 3);
            break;
        case kFltMode:
            e.fltModeValue = value;
            e.fltMode = toStep(value, 3);
            break;
        case kRvbMode:
            e.rvbModeValue = value;
            e.rvbMode = toStep(value, 2);
            break;
        case kBypass:
            e.bypassValue = value;
            e.bypass = toStep(value, 2);
            break;
        case kFltOn:
            e.fltOnValue = value;
            e.fltOn = toStep(value, 2);
            break;
        case kVcoOn:
            e.vcoOnValue = value;
            e.vcoOn = toStep(value, 2);
            break;
        case kRvbOn:
            e.rvbOnValue = value;
            e.rvbOn = toStep(value, 2);
            break;

        // Delay timing.
        case kDlyModeL: applyDelayMode(0, value); break;
        case kDlyModeR: applyDelayMode(1, value); break;
        case kDlyNumL:
            e.channels.dlyNumValue[0] = value;
            e.channels.dlyNum[0] = toStep(value, 5);
            recomputeSynced(kSyncLeft);
            break;
        case kDlyNumR:
            e.channels.dlyNumValue[1] = value;
            e.channels.dlyNum[1] = toStep(value, 5);
            recomputeSynced(kSyncRight);
            break;
        case kDlyDenL:
            e.channels.dlyDenValue[0] = value;
            e.channels.dlyDen[0] = toStep(value, 13);
            recomputeSynced(kSyncLeft);
            break;
        case kDlyDenR:
            e.channels.dlyDenValue[1] = value;
            e.channels.dlyDen[1] = toStep(value, 13);
            recomputeSynced(kSyncRight);
            break;
        case kRangeL: applyRange(0, value); break;
        case kRangeR: applyRange(1, value); break;
        case kDlyTimeL: applyDelayTime(0, value); break;
        case kDlyTimeR: applyDelayTime(1, value); break;
        case kPreNumL:
            e.channels.preNumValue[0] = value;
            e.channels.preNum[0] = toStep(value, 6);
            markFade(e.channels.dlyFade[0]);
            break;
        case kPreNumR:
            e.channels.preNumValue[1] = value;
            e.channels.preNum[1] = toStep(value, 6);
            markFade(e.channels.dlyFade[1]);
            break;
        case kPreDenL:
            e.channels.preDenValue[0] = value;
            e.channels.preDen[0] = toStep(value, 13);
            markFade(e.channels.dlyFade[0]);
            break;
        case kPreDenR:
            e.channels.preDenValue[1] = value;
            e.channels.preDen[1] = toStep(value, 13);
            markFade(e.channels.dlyFade[1]);
            break;

        // LFO timing.
        case kLfoMode:
            e.lfoModeValue = value;
            e.lfoMode = toStep(value, 3);
            if (e.lfoMode != 0) recomputeSynced(kSyncLfo);
            break;
        case kLfoNum:
            e.lfoNumValue = value;
            e.lfoNum = toStep(value, 5);
            recomputeSynced(kSyncLfo);
            break;
        case kLfoDen:
            e.lfoDenValue = value;
            e.lfoDen = toStep(value, 13);
            recomputeSynced(kSyncLfo);
            break;

        // Reverb.
        case kRvbType: applyReverbType(value); break;
        case kRvbDamp:
            // The block brings the reverb's loop gains up to date before its next sample.
            e.rvbDampValue = value;
            break;

        // Legacy switches: their lower half resets Drive or CutfMod through the full
        // path, so the editor and the preset store see the change too.
        case kLegacyDrive:
            if (toStep(value, 2) == 0) host_.setParameter(kDrive, 0.0f);
            break;
        case kLegacyCutfMod:
            if (toStep(value, 2) == 0) host_.setParameter(kCutfMod, 0.5f);
            break;
        default: break;
    }
}

void PluginCore::applyDelayMode(int line, float value) {
    ChannelSettings& ch = engine_.channels;
    ch.dlyModeValue[line] = value;
    const int sync = toStep(value, 2);
    ch.dlySync[line] = sync;
    if (sync) {
        recomputeSynced(line == kLeft ? kSyncLeft : kSyncRight);
        return;
    }
    // Free time: keep the time heard and choose the range that holds it.
    const double t = ch.dlyTimeSetMs[line];
    const int r = t > 1000.0 ? 2 : (t > 100.0 ? 1 : 0);
    ch.range[line] = r;
    ch.rangeValue[line] = fromStep(r, 3);
    ch.rangeMs[line] = kRangeMs[r];
    ch.dlyTimeNorm[line] = t / kRangeMs[r];
}

void PluginCore::applyRange(int line, float value) {
    ChannelSettings& ch = engine_.channels;
    double& rangeMs = ch.rangeMs[line];
    double& norm = ch.dlyTimeNorm[line];
    const double old = rangeMs;
    ch.rangeValue[line] = value;
    const int r = toStep(value, 3);
    ch.range[line] = r;
    rangeMs = kRangeMs[r];
    // The same time in the new range; a value sent outside 0..1 lands on the nearer end
    // (rescaled as it stood, -3e38 from 5000 ms to 100 ms would read as -Inf). The rescaled
    // value stays in double: 500 ms at 1000 ms range is 0.1 at 5000 ms, which in single
    // precision would give 500.000007 ms.
    norm = std::clamp(norm * old / rangeMs, 0.0, 1.0);
    const double t = rangeMs * norm;
    ch.dlyTimeSetMs[line] = t;
    ch.dlyTimeMs[line] = t;
    markFade(ch.dlyFade[line]);
    recomputeSynced(line == kLeft ? kSyncLeft : kSyncRight);
}

void PluginCore::applyDelayTime(int line, float value) {
    ChannelSettings& ch = engine_.channels;
    // While the line follows the tempo its time comes from the note value.
    if (ch.dlySync[line] != 0) return;
    const double t = unit(value) * ch.rangeMs[line];
    ch.dlyTimeNorm[line] = value;
    ch.dlyTimeSetMs[line] = t;
    ch.dlyTimeMs[line] = t;
    markFade(ch.dlyFade[line]);
}

// The only parameter applied under the engine lock: it moves the reverb's read
// positions, which the block uses as indices. A lock not obtained in time changes nothing.
void PluginCore::applyReverbType(float value) {
    std::unique_lock<std::recursive_timed_mutex> lock(engineMutex_, std::defer_lock);
    if (!lock.try_lock_for(std::chrono::milliseconds(1000))) return;
    engine_.applyReverbType(value, toStep(value, 2));
}

void PluginCore::recomputeSynced(int flags) {
    engine_.recomputeSynced(flags);
    if (listener_) listener_->tempoChanged(static_cast<float>(engine_.hostTempo));
}

void PluginCore::setTempoNorm(float value) {
    if (!std::isfinite(value)) return;
    // Outside 0..1 the tempo would leave 30..400 BPM (or reach 0): hold it in.
    const double v = value < 0.0f ? 0.0 : (value > 1.0f ? 1.0 : static_cast<double>(value));
    engine_.hostTempoNorm = v;
    engine_.hostTempo = 30.0 + 370.0 * v;
    recomputeSynced(kSyncAll);
}

double PluginCore::parameterValue(int index) const {
    const EngineState& e = engine_;
    switch (index) {
        case kInput: return e.inputValue;
        case kOutput: return e.outputValue;
        case kMix: return e.mixValue;
        case kFbGainL: return e.channels.fbGainValue[0];
        case kFbGainR: return e.channels.fbGainValue[1];
        case kFbPanL: return e.channels.fbPanValue[0];
        case kFbPanR: return e.channels.fbPanValue[1];
        case kFbInvL: return e.channels.fbInvValue[0];
        case kFbInvR: return e.channels.fbInvValue[1];
        case kLFOWave: return e.lfoWaveValue;
        case kLFORate: return e.lfoRateValue;
        case kLROffset: return e.lrOffsetValue;
        case kModSrc: return e.modSrcValue;
        case kCutfMod: return e.cutfModValue;
        case kFltType: return e.fltTypeValue;
        case kCutoff: return e.cutoffValue;
        case kReso: return e.resoValue;
        case kVcoMan: return e.vcoManValue;
        case kVcoMod: return e.vcoModValue;
        case kDlyInvL: return e.channels.dlyInvValue[0];
        case kDlyInvR: return e.channels.dlyInvValue[1];
        case kDrive: return e.driveValue;
        case kEnvSpeed: return e.envSpeedValue;
        case kFltMode: return e.fltModeValue;
        case kDlyModeL: return e.channels.dlyModeValue[0];
        case kDlyModeR: return e.channels.dlyModeValue[1];
        case kDlyNumL: return e.channels.dlyNumValue[0];
        case kDlyNumR: return e.channels.dlyNumValue[1];
        case kDlyDenL: return e.channels.dlyDenValue[0];
        case kDlyDenR: return e.channels.dlyDenValue[1];
        case kRangeL: return e.channels.rangeValue[0];
        case kRangeR: return e.channels.rangeValue[1];
        case kLfoMode: return e.lfoModeValue;
        case kLfoNum: return e.lfoNumValue;
        case kLfoDen: return e.lfoDenValue;
        case kDlyTimeL: return e.channels.dlyTimeNorm[0];
        case kDlyTimeR: return e.channels.dlyTimeNorm[1];
        case kRvbMode: return e.rvbModeValue;
        case kRvbType: return e.rvbTypeValue;
        case kRvbDamp: return e.rvbDampValue;
        case kRvbAmt: return e.rvbAmtValue;
        case kBypass: return e.bypassValue;
        case kFltOn: return e.fltOnValue;
        case kLegacyDrive:
        case kLegacyCutfMod: return 1.0;
        case kVcoOn: return e.vcoOnValue;
        case kRvbOn: return e.rvbOnValue;
        case kModSens: return e.modSensValue;
        case kDlyPanL: return e.channels.dlyPanValue[0];
        case kDlyPanR: return e.channels.dlyPanValue[1];
        case kDlyGateL: return e.channels.gateValue[0];
        case kDlyGateR: return e.channels.gateValue[1];
        case kDucking: return e.duckingValue;
        case kResoMod: return e.resoModValue;
        case kPreNumL: return e.channels.preNumValue[0];
        case kPreNumR: return e.channels.preNumValue[1];
        case kPreDenL: return e.channels.preDenValue[0];
        case kPreDenR: return e.channels.preDenValue[1];
        case kMuteInL: return e.channels.muteInValue[0];
        case kMuteInR: return e.channels.muteInValue[1];
        default: return 0.0;
    }
}

float PluginCore::getParameter(int index) const {
    return static_cast<float>(parameterValue(index));
}

bool PluginCore::channelsLinked() const {
    auto near = [this](int a, int b, double offset, double sign) {
        return std::fabs(parameterValue(a) + sign * parameterValue(b) - offset) <= 0.01;
    };
    return near(kFbGainL, kFbGainR, 0.0, -1.0) && near(kFbPanL, kFbPanR, 1.0, 1.0) &&
           near(kDlyPanL, kDlyPanR, 1.0, 1.0) && near(kDlyGateL, kDlyGateR, 0.0, -1.0) &&
           near(kFbInvL, kFbInvR, 0.0, -1.0) && near(kDlyInvL, kDlyInvR, 0.0, -1.0) &&
           near(kRangeL, kRangeR, 0.0, -1.0) && near(kDlyModeL, kDlyModeR, 0.0, -1.0) &&
           near(kDlyNumL, kDlyNumR, 0.0, -1.0) && near(kDlyDenL, kDlyDenR, 0.0, -1.0) &&
           near(kDlyTimeL, kDlyTimeR, 0.0, -1.0);
}

}  // namespace lumdel
