// Parameter application: the one place where a normalised value becomes engine
// settings. A row of the parameter table says how (its curve or step rule, the field it
// writes and what follows); the delay timing, the reverb type and the two legacy
// switches have rules of their own below. Any thread may call it; apart from the reverb
// type every write is a single aligned store that the block tolerates at any moment.
#include <algorithm>
#include <chrono>
#include <cmath>

#include "ParameterCurves.h"
#include "ParameterTable.h"
#include "PluginCore.h"

namespace lumdel {

namespace {

// Marks a line's fade after its new time is in place (the block clears the mark first
// and then reads the time).
void markFade(std::uint8_t& flag) { __atomic_store_n(&flag, 1, __ATOMIC_RELEASE); }

int syncFlagOf(int line) { return line == kLeft ? kSyncLeft : kSyncRight; }

}  // namespace

void PluginCore::applyParameter(int index, float value) {
    if (index < 0 || index >= kNumParams || !std::isfinite(value)) return;
    const ParamInfo& p = kParams[index];
    const ApplyRule& a = p.apply;
    EngineState& e = engine_;
    switch (a.curve) {
        case Curve::Named: applyNamed(index, value); return;
        case Curve::Stored: a.value(e) = value; return;
        case Curve::Steps: a.storeStep(e, value, toStep(value, p.steps)); break;
        default:
            if (!a.storeSetting(e, value)) return;
    }
    switch (a.after) {
        case After::Sign: a.sign(e) = a.step(e) ? -1.0 : 1.0; break;
        case After::SyncLine: recomputeSynced(syncFlagOf(p.channel.line)); break;
        case After::SyncLfoUnlessOff:
            if (a.step(e) == 0) break;
            recomputeSynced(kSyncLfo);
            break;
        case After::SyncLfo: recomputeSynced(kSyncLfo); break;
        case After::FadeLine: markFade(e.channels.dlyFade[p.channel.line]); break;
        case After::LfoPhaseStep: engine_.updateLfoPhaseInc(); break;
        case After::EnvCoefs: engine_.updateEnvSpeedCoefs(); break;
        case After::Nothing: break;
    }
}

// The rules that are one of a kind: the delay timing (mode, range, time), the reverb
// type (under the engine lock) and the legacy switches.
void PluginCore::applyNamed(int index, float value) {
    const int line = kParams[index].channel.line;
    switch (index) {
        case kDlyModeL:
        case kDlyModeR: applyDelayMode(line, value); break;
        case kRangeL:
        case kRangeR: applyRange(line, value); break;
        case kDlyTimeL:
        case kDlyTimeR: applyDelayTime(line, value); break;
        case kRvbType: applyReverbType(value); break;
        // Their lower half resets Drive or CutfMod through the full path, so the editor
        // and the preset store see the change too.
        case kLegacyDrive:
        case kLegacyCutfMod:
            if (toStep(value, kParams[index].steps) != 0) break;
            if (index == kLegacyDrive)
                host_.setParameter(kDrive, 0.0f);
            else
                host_.setParameter(kCutfMod, 0.5f);
            break;
        default: break;
    }
}
void PluginCore::applyDelayMode(int line, float value) {
    ChannelSettings& ch = engine_.channels;
    ch.dlyModeValue[line] = value;
    const int sync = toStep(value, kParams[kDlyModeL].steps);
    ch.dlySync[line] = sync;
    if (sync) {
        recomputeSynced(syncFlagOf(line));
        return;
    }
    // Free time: keep the time heard and choose the range that holds it.
    const double t = ch.dlyTimeSetMs[line];
    const int r = t > 1000.0 ? 2 : (t > 100.0 ? 1 : 0);
    ch.range[line] = r;
    ch.rangeValue[line] = fromStep(r, kParams[kRangeL].steps);
    ch.rangeMs[line] = kRangeMs[r];
    ch.dlyTimeNorm[line] = t / kRangeMs[r];
}

void PluginCore::applyRange(int line, float value) {
    ChannelSettings& ch = engine_.channels;
    double& rangeMs = ch.rangeMs[line];
    double& norm = ch.dlyTimeNorm[line];
    const double old = rangeMs;
    ch.rangeValue[line] = value;
    const int r = toStep(value, kParams[kRangeL].steps);
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
    recomputeSynced(syncFlagOf(line));
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
    engine_.applyReverbType(value, toStep(value, kParams[kRvbType].steps));
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
    if (index < 0 || index >= kNumParams) return 0.0;
    const ParamInfo& p = kParams[index];
    // The legacy switches store nothing and read 1.
    if (p.kind == ParamKind::Legacy) return 1.0;
    return readField(p.apply.value, engine_);
}

float PluginCore::getParameter(int index) const {
    return static_cast<float>(parameterValue(index));
}

bool PluginCore::channelsLinked() const {
    for (int left = 0; left < kNumParams; ++left) {
        const ChannelRule& c = kParams[left].channel;
        if (c.line != kLeft || (c.pairing != Pairing::Same && c.pairing != Pairing::Mirrored))
            continue;
        // Pans are linked mirrored: the left's value and the right's add up to 1.
        const bool mirrored = c.pairing == Pairing::Mirrored;
        const double sign = mirrored ? 1.0 : -1.0;
        const double offset = mirrored ? 1.0 : 0.0;
        if (!(std::fabs(parameterValue(left) + sign * parameterValue(c.partner) - offset) <= 0.01))
            return false;
    }
    return true;
}

}  // namespace lumdel
