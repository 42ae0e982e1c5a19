// A setting that glides: the parameter code writes its target, and the block moves its
// value towards the target once per sample by a one-pole of 30 Hz (coefficient
// 1 - exp(-2 pi 30 / fs), the engine's smoothCoef), flushed. V is double for one value
// or Stereo for the pair of the two delay channels.
//
// A set of smoothed settings (Glides, ChannelGlides in EngineState.h) lists its members
// once, in a static forEach(a, b, f) that calls f(a.x, b.x) for every member x; the
// operations below walk that list, so a new smoothed setting is added in one place.
#pragma once

#include "Denormal.h"
#include "Stereo.h"

namespace lumdel {

template <typename V>
struct Smoothed {
    V value;   // what the block uses
    V target;  // what the parameter code writes

    // One sample of gliding.
    inline void next(double coef) { value = flush(value + (target - value) * coef); }
    // Jumps to the target (suspend).
    void snap() { value = target; }
    // True when the value stays v through a block (gliding or not).
    bool staysAt(V v, bool gliding) const { return value == v && (!gliding || target == v); }
    // True when a further sample would leave the value where it is.
    bool settled(double coef) const { return flush(value + (target - value) * coef) == value; }
};

// One sample of gliding for every member of a set.
template <typename Set>
inline void glideAll(Set& set, double coef) {
    Set::forEach(set, set, [coef](auto& s, auto&) { s.next(coef); });
}

template <typename Set>
void snapAll(Set& set) {
    Set::forEach(set, set, [](auto& s, auto&) { s.snap(); });
}

// settled() of many settings at once, two lanes at a time: a pair's two channels, or two
// single settings side by side. Once per block, and nearly always all are settled.
class SettledCheck {
public:
    explicit SettledCheck(double coef) : coef_(coef) {}
    void add(const Smoothed<Stereo>& s) { addLanes(s.value, s.target); }
    void add(const Smoothed<double>& s) {
        if (!waiting_) {
            waitingValue_ = s.value;
            waitingTarget_ = s.target;
            waiting_ = true;
        } else {
            addLanes(Stereo{waitingValue_, s.value}, Stereo{waitingTarget_, s.target});
            waiting_ = false;
        }
    }
    bool settled() {
        if (waiting_) addLanes(both(waitingValue_), both(waitingTarget_));
        waiting_ = false;
        return !anyLane(moving_);
    }

private:
    void addLanes(Stereo value, Stereo target) {
        moving_ |= flush(value + (target - value) * coef_).v != value.v;
    }
    double coef_;
    Mask2 moving_ = {0, 0};
    bool waiting_ = false;
    double waitingValue_ = 0.0, waitingTarget_ = 0.0;
};

// Every member of a set into the check.
template <typename Set>
void addTo(SettledCheck& check, const Set& set) {
    Set::forEach(set, set, [&](const auto& s, const auto&) { check.add(s); });
}


// The block's write-back: the values it glided, never the targets (the parameter code
// may have written new ones meanwhile).
template <typename Set>
inline void keepValues(Set& to, const Set& from) {
    Set::forEach(to, from, [](auto& t, const auto& f) { t.value = f.value; });
}

}  // namespace lumdel
