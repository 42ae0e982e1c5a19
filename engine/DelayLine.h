// The delay lines. Each line is a ring with three taps: the dry input is written at the
// write tap, the feedback is added at the pre-tap (the pre-delay behind it) and the
// output is read at the out tap (the delay time behind the pre-tap), so the first echo
// comes after pre-delay plus delay and every further repeat after the delay. Two
// policies move the tape: the plain one by one sample per audio sample, the clocked
// ("VCO") one at a speed of 0.5 to 2 set by VcoMan, VcoMod and the modulation, writing
// and reading through Catmull-Rom interpolation. A new delay time is applied by a fade:
// the line's output fades out over about 100 ms, the taps jump to the new time while it
// is silent, and it fades in again; the write tap and the line's content stay.
//
// Contract: per sample on the audio thread, inside the block, which holds both lines in
// locals and writes them back after it. Reads each line's input (u times MuteIn), its
// feedback from the matrix and, clocked, its clock speed and tick spacing (worked out from
// the modulation ahead of the lines, ClockedLines::rate); writes each line's output
// before the fade, and the fade gain. The jump reads the delay timing through the
// engine (tapDistances). Tap placement outside the block (construction, suspend, resume,
// a rate change) runs under the engine lock.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <type_traits>

#include "Modulation.h"
#include "Stereo.h"

namespace lumdel {

// Where the taps sit behind the write tap, in samples.
struct TapDistances {
    int pre;    // write tap to the feedback insertion: the pre-delay
    int delay;  // feedback insertion to the output read: the delay time
};

// Catmull-Rom between h[1] and h[2] of a four-value history (oldest first), written as
// four weights of t shared by every history read at the same t:
//   0.5 (2 h1 + (h2 - h0) t + (2 h0 - 5 h1 + 4 h2 - h3) t^2 + (3 h1 - 3 h2 + h3 - h0) t^3),
// with u = 1 - t: w0 = -t u^2 / 2, w1 = 1 + t^2 (1.5 t - 2.5), w2 = 1 + u^2 (1.5 u - 2.5),
// w3 = -t^2 u / 2 (the two middle weights mirror each other, and so do the outer two).
// At t = 0 and t = 1 the weights are exactly (0, 1, 0, 0) and (0, 0, 1, 0), up to the
// sign of a zero. The four products are summed in two pairs. V is double, or Stereo for
// both lines at once (each lane with its own t).
template <typename V>
struct CatmullRomOf {
    V w0, w1, w2, w3;
    explicit CatmullRomOf(V t) {
        const V u = 1.0 - t, t2 = t * t, u2 = u * u, half = t * -0.5;
        w0 = half * u2;
        w1 = 1.0 + t2 * (1.5 * t - 2.5);
        w2 = 1.0 + u2 * (1.5 * u - 2.5);
        w3 = half * t * u;
    }
    V operator()(const V* h) const { return (w0 * h[0] + w1 * h[1]) + (w2 * h[2] + w3 * h[3]); }
};
using CatmullRom = CatmullRomOf<double>;

// The same curve read once at t, as a polynomial in t whose coefficients come from the
// history alone: h1 + c1 t + c2 t^2 + c3 t^3, evaluated as (h1 + c1 t) + t^2 (c2 + c3 t),
// so that little waits for t. At t = 0 it is exactly h1.
inline Stereo catmullRomAt(const Stereo* h, Stereo t) {
    const Stereo c1 = 0.5 * (h[2] - h[0]);
    const Stereo c2 = (h[0] - 2.5 * h[1]) + (2.0 * h[2] - 0.5 * h[3]);
    const Stereo c3 = 0.5 * (h[3] - h[0]) + 1.5 * (h[1] - h[2]);
    return (h[1] + c1 * t) + (t * t) * (c2 + c3 * t);
}

// The clocks' speed in one audio sample and the spacing of their ticks (1 / speed), lane
// c for line c.
struct ClockRate {
    Stereo speed, spacing;
};

// Room for the clock rates of N samples, filled before they are read and left unset when
// it is made (like StereoScratch).
template <int N>
struct ClockRateScratch {
    union {
        ClockRate v[N];
    };
    ClockRateScratch() {}
    ClockRate& operator[](int i) { return v[i]; }
};

struct DelayLine {
    double* buf = nullptr;     // inside the engine's line memory
    int length = 0;            // delayBufferLength
    int writeTap = 0;          // writeTapX
    int preTap = 0;            // preTapX: feedback insertion
    int outTap = 0;            // outTapX: output read
    double inHist[4] = {};     // the line inputs, oldest first
    double fbHist[4] = {};     // the feedback, oldest first
    double readHist[4] = {};   // the tape samples read, oldest first
    double nextTick = 1.0;     // the clock: when the next tape sample falls (see ClockedLines)
    double fadeGain = 1.0;     // fadeGainX: 1 at rest
    int wrapIn = 0;            // steps until a tap reaches the end (0: look at the next step)

    // Pre-tap and out tap behind the write tap, wrapped into the line.
    void placeTaps(TapDistances d) {
        int pre = writeTap - d.pre;
        if (pre < 0) pre += length;
        int out = pre - d.delay;
        if (out < 0) out += length;
        preTap = std::clamp(pre, 0, length - 1);
        outTap = std::clamp(out, 0, length - 1);
        wrapIn = 0;
    }
    // Clears the clocked mode's running state; the content, taps and fade stay.
    void reset() {
        for (int k = 0; k < 4; ++k) inHist[k] = fbHist[k] = readHist[k] = 0.0;
        nextTick = 1.0;
    }
    bool finite() const { return std::isfinite(readHist[3]) && std::isfinite(nextTick); }

    // One tape sample: store the input, add the feedback, read the output, advance. The
    // plain lines take one per audio sample; the clocked ones as many as their clock gives.
    inline double stepPlain(double in, double fb) {
        buf[writeTap] = in;
        buf[preTap] += fb;
        const double out = buf[outTap];
        advance();
        return out;
    }

    // The taps moved on by `steps` at once, at most wrapIn of them (up to the end of
    // the line), then wrapped; with 0 they are only looked at.
    void moveTaps(int steps) {
        outTap += steps;
        preTap += steps;
        writeTap += steps;
        wrapTaps();
    }

    // The fade of a time change; returns the gain for this sample's output. While a
    // change is pending the gain falls by fadeStep per sample; at 0.001 the mark is
    // cleared, the taps jump to where tapsNow(channel) puts them (read after the clearing, so a
    // time set meanwhile marks the line again) and the gain rises back to 1.
    template <typename TapsNow>
    inline double fade(std::uint8_t& pending, double fadeStep, const TapsNow& tapsNow,
                       int channel) {
        if (__atomic_load_n(&pending, __ATOMIC_RELAXED)) {
            fadeGain *= fadeStep;
            if (fadeGain <= 0.001) {
                __atomic_store_n(&pending, 0, __ATOMIC_SEQ_CST);
                placeTaps(tapsNow(channel));
            }
        } else if (fadeGain < 1.0) {
            fadeGain /= fadeStep;
            if (fadeGain > 1.0) fadeGain = 1.0;
        }
        return fadeGain;
    }

private:
    // All three taps move on; only when the one nearest the end of the line gets there
    // are they looked at (wrapIn counts the steps until then).
    inline void advance() {
        ++outTap;
        ++preTap;
        ++writeTap;
        if (--wrapIn <= 0) wrapTaps();
    }
    void wrapTaps() {
        if (outTap >= length) outTap = 0;
        if (preTap >= length) preTap = 0;
        if (writeTap >= length) writeTap = 0;
        wrapIn = length - std::max({outTap, preTap, writeTap});
    }
};

// Four values pushed into a ring of four (one store per sample) instead of shifted;
// unrolled into oldest-first order after the block.
struct HistoryRing {
    double v[4];
    explicit HistoryRing(const double* h) : v{h[0], h[1], h[2], h[3]} {}
    void store(double* h, int pos) const {
        h[0] = v[pos & 3];
        h[1] = v[(pos + 1) & 3];
        h[2] = v[(pos + 2) & 3];
        h[3] = v[(pos + 3) & 3];
    }
};

// Both lines' outputs through their fades (see DelayLine::fade).
template <typename TapsNow>
inline Stereo fadeTimeChanges(DelayLine* lines, StereoFlag& pending, Stereo out,
                              double fadeStep, const TapsNow& tapsNow) {
    return {out[0] * lines[0].fade(pending[0], fadeStep, tapsNow, kLeft),
            out[1] * lines[1].fade(pending[1], fadeStep, tapsNow, kRight)};
}

// The fades of both lines through a block. Nearly always neither line has a change
// pending and both gains rest at 1: the output then passes as it is (a gain of 1 changes
// no sample), and only the pending marks are looked at. While they work, the lines' taps
// are kept up to date by the block's policy (PlainLines or ClockedLines), for the jump.
class TimeFades {
public:
    explicit TimeFades(const DelayLine* lines) : resting_(restingIn(lines)) {}

    template <typename Policy, typename TapsNow>
    inline Stereo step(Policy& policy, DelayLine* lines, StereoFlag& pending, Stereo out,
                       double fadeStep, const TapsNow& tapsNow) {
        if (resting_ && !(__atomic_load_n(&pending[0], __ATOMIC_RELAXED) |
                          __atomic_load_n(&pending[1], __ATOMIC_RELAXED)))
            return out;
        policy.syncTaps();
        out = fadeTimeChanges(lines, pending, out, fadeStep, tapsNow);
        policy.retakeTaps();
        resting_ = restingIn(lines);
        return out;
    }

private:
    static bool restingIn(const DelayLine* lines) {
        return lines[0].fadeGain == 1.0 && lines[1].fadeGain == 1.0;
    }
    bool resting_;
};

// The plain policy: both lines move one tape sample per audio sample. The clocked
// mode's histories (inputs, feedback and the samples read) are kept all the same (in
// rings, unrolled after the block), so that switching the clocked mode on goes on from
// where the lines were.
class PlainLines {
public:
    explicit PlainLines(const DelayLine* lines)
        : in_{HistoryRing(lines[0].inHist), HistoryRing(lines[1].inHist)},
          fb_{HistoryRing(lines[0].fbHist), HistoryRing(lines[1].fbHist)},
          read_{HistoryRing(lines[0].readHist), HistoryRing(lines[1].readHist)} {}

    // The plain lines never follow the modulation.
    bool hearsModulation() const { return false; }
    // The lines' taps are always up to date.
    void syncTaps() {}
    void retakeTaps() {}

    // keep: one of the block's last four samples, the ones the histories will hold.
    inline Stereo step(DelayLine* lines, Stereo in, Stereo fb, const ClockRate& /*rate*/,
                       bool keep = true) {
        const Stereo out{lines[0].stepPlain(in[0], fb[0]), lines[1].stepPlain(in[1], fb[1])};
        if (keep) {
            in_[0].v[pos_] = in[0];
            in_[1].v[pos_] = in[1];
            fb_[0].v[pos_] = fb[0];
            fb_[1].v[pos_] = fb[1];
            read_[0].v[pos_] = out[0];
            read_[1].v[pos_] = out[1];
            pos_ = (pos_ + 1) & 3;
        }
        return out;
    }

    void end(DelayLine* lines) const {
        in_[0].store(lines[0].inHist, pos_);
        in_[1].store(lines[1].inHist, pos_);
        fb_[0].store(lines[0].fbHist, pos_);
        fb_[1].store(lines[1].fbHist, pos_);
        read_[0].store(lines[0].readHist, pos_);
        read_[1].store(lines[1].readHist, pos_);
    }

private:
    HistoryRing in_[2], fb_[2], read_[2];
    int pos_ = 0;
};

// Four values of both lines, oldest first, shifted by one per push.
struct StereoHistory {
    Stereo h[4];
    StereoHistory(const double* left, const double* right)
        : h{{left[0], right[0]}, {left[1], right[1]}, {left[2], right[2]}, {left[3], right[3]}} {}
    inline void push(Stereo v) {
        h[0] = h[1];
        h[1] = h[2];
        h[2] = h[3];
        h[3] = v;
    }
    // Only the lanes in m take the push.
    inline void push(Stereo v, Mask2 m) {
        h[0] = select(m, h[1], h[0]);
        h[1] = select(m, h[2], h[1]);
        h[2] = select(m, h[3], h[2]);
        h[3] = select(m, v, h[3]);
    }
    void store(double* left, double* right) const {
        for (int k = 0; k < 4; ++k) {
            left[k] = h[k][0];
            right[k] = h[k][1];
        }
    }
};

// The inputs and the feedback of both lines, four of each, oldest first, pushed
// together: rings of four kept twice over, so that the four always lie in a row and a
// push is four stores.
struct LineFeeds {
    Stereo in[8], fb[8];
    int pos = 0;
    LineFeeds(const DelayLine* lines) {
        for (int k = 0; k < 4; ++k) {
            in[k] = in[k + 4] = Stereo{lines[0].inHist[k], lines[1].inHist[k]};
            fb[k] = fb[k + 4] = Stereo{lines[0].fbHist[k], lines[1].fbHist[k]};
        }
    }
    inline void push(Stereo input, Stereo feedback) {
        in[pos] = in[pos + 4] = input;
        fb[pos] = fb[pos + 4] = feedback;
        pos = (pos + 1) & 3;
    }
    // The four of each, oldest first.
    inline const Stereo* inputs() const { return in + pos; }
    inline const Stereo* feedback() const { return fb + pos; }
    void store(DelayLine* lines) const {
        for (int k = 0; k < 4; ++k)
            for (int c = 0; c < 2; ++c) {
                lines[c].inHist[k] = in[pos + k][c];
                lines[c].fbHist[k] = fb[pos + k][c];
            }
    }
};

// One clocked line's taps through a block. The three taps move together, by one step
// when the clock ticks and not at all when it does not, so they are kept as where they
// stood plus the steps taken since; the line's own taps are brought up to date when one
// of them reaches the end of the line, before a time change's jump and after the block.
// A step that is not due still writes its input at the write tap (the slot the next
// step overwrites before anything reads it) and adds its feedback, -0.0, which changes
// no value, at the pre-tap: the same instructions either way, so a clock whose ticks
// come irregularly costs no mispredicted branches.
class TapeHeads {
public:
    explicit TapeHeads(DelayLine& line) : line_(&line) { aim(); }

    // The tape sample at the taps, the taps moving on when due is 1.
    inline double step(int due, double in, double fb) {
        write_[moved_] = in;
        pre_[moved_] += fb;
        const double out = out_[moved_];
        moved_ += due;
        if (moved_ >= room_) catchUp();
        return out;
    }
    // The line's own taps up to date (and these aimed afresh), or aimed from the line's.
    void catchUp() {
        line_->moveTaps(moved_);
        aim();
    }
    void aim() {
        if (line_->wrapIn <= 0) line_->moveTaps(0);
        write_ = line_->buf + line_->writeTap;
        pre_ = line_->buf + line_->preTap;
        out_ = line_->buf + line_->outTap;
        moved_ = 0;
        room_ = line_->wrapIn;
    }

private:
    DelayLine* line_;
    double *write_, *pre_, *out_;
    int moved_, room_;
};

// The clocked policy: each line's clock runs at 2^s for
// s = (1 - |VcoMod|) VcoMan + VcoMod mod (0.5..2), mod being its channel's modulation
// signal, and gives one tape sample per tick. The speed and the tick spacing follow from
// the modulation alone (rate), so the block may work them out ahead of the lines, a run
// of samples at a time, and hands them to step. With VcoMod at 0 for the whole block the
// speed is 2^VcoMan whatever the modulation, computed once (step then reads no rate); a
// clock at exactly unit speed on the sample grid stays there and takes the short path.
// Both lines' clocks, histories and interpolation weights run as pairs through the block
// (lane c is line c); each line's tape samples are written and read in its own order,
// and the state goes back to the lines at the end of the block.
//
// The clock is kept as the time of its next tick, in audio samples on the write side's
// interpolation axis: after this sample's input joins the history, t = 0 is the input
// two samples back and t = 1 the one before this. A tick at t <= 1 falls in this audio
// sample: it writes the input interpolated at t, adds the feedback interpolated at t,
// and reads one tape sample; the next tick follows 1/speed later. After the sample the
// axis moves on by one. A new speed changes only the spacing of the ticks still to come,
// not when the next one falls. The output is read between the last tape samples at
// 1 - speed * (time of the next tick): 0 when a tick has just fallen on the sample, nearly
// 1 when the next is about to. (Equivalently a phase that grows by the speed per sample
// and ticks at every whole step, rescaled by new/old speed when the speed moves; kept
// as a time, nothing on the clock's own chain waits for the new speed but one addition.)
// Rounding may put a tick a hair outside the sample it is counted in; the next sample
// takes it up as it lies.
class ClockedLines {
public:
    ClockedLines(DelayLine* lines, double vcoMan, bool vcoModZero, const double* octave)
        : vcoMan_(vcoMan), octave_(octave), modZero_(vcoModZero),
          fixed_{both(octaveAt(octave, vcoMan)), both(1.0 / octaveAt(octave, vcoMan))},
          feeds_(lines), read_(lines[0].readHist, lines[1].readHist),
          heads_{TapeHeads(lines[0]), TapeHeads(lines[1])},
          tick_(onClock(lines[0].nextTick), onClock(lines[1].nextTick)) {
        unit_ = modZero_ && fixed_.speed == both(1.0) && tick_ == both(1.0);
        unitIn_ = feeds_.inputs()[3];
        unitFb_ = feeds_.feedback()[3];
        unitRead_[0] = read_.h[3];
        unitRead_[1] = read_.h[2];
    }

    // True when the speed follows the modulation: only then does step read a rate.
    bool hearsModulation() const { return !modZero_; }

    // The speed and tick spacing of both clocks for an audio sample's modulation signals
    // and VcoMod (while hearsModulation()).
    inline ClockRate rate(Stereo mod, double vcoMod) const {
        const double base = (1.0 - std::fabs(vcoMod)) * vcoMan_;
        const Stereo speed = octaveAt(octave_, base + vcoMod * mod);
        return {speed, 1.0 / speed};
    }

    // This audio sample's inputs and feedback join the histories the tape samples are
    // interpolated from; the tape moves at the sample's rate (read only while
    // hearsModulation()); the output is read between the tape samples. keep: one of the
    // block's last four samples (the unit path fills the histories with those only).
    inline Stereo step(DelayLine* lines, Stereo in, Stereo fb, const ClockRate& rate,
                       bool keep = true) {
        if (unit_) return stepUnit(lines, in, fb, keep);
        feeds_.push(in, fb);
        return stepClocked(modZero_ ? fixed_ : rate);
    }

    // Around a jump of the taps outside the policy (a time change), the lines' own taps
    // are brought up to date before it and taken up again after it.
    void syncTaps() {
        heads_[0].catchUp();
        heads_[1].catchUp();
    }
    void retakeTaps() {
        heads_[0].aim();
        heads_[1].aim();
    }

    void end(DelayLine* lines) {
        syncTaps();
        feeds_.store(lines);
        read_.store(lines[0].readHist, lines[1].readHist);
        lines[0].nextTick = tick_[0];
        lines[1].nextTick = tick_[1];
    }

private:
    // A tick lies after the start of the axis (up to rounding) and at most one tick
    // spacing (2) ahead; a time far outside that (never made here) restarts the clock on
    // the grid.
    static double onClock(double tick) { return tick > -1.0 && tick <= 3.0 ? tick : 1.0; }

    // Exactly unit speed with a tick on every sample: one tape sample per audio sample,
    // written at t = 1 (the previous input and feedback) and read at 0 (the tape sample
    // read two audio samples ago). Those two delays run in registers, and the histories
    // take only the block's last four samples.
    inline Stereo stepUnit(DelayLine* lines, Stereo in, Stereo fb, bool keep) {
        const double left = lines[0].stepPlain(unitIn_[0], unitFb_[0]);
        const double right = lines[1].stepPlain(unitIn_[1], unitFb_[1]);
        const Stereo read{left, right};
        const Stereo out = unitRead_[1];
        unitIn_ = in;
        unitFb_ = fb;
        unitRead_[1] = unitRead_[0];
        unitRead_[0] = read;
        if (keep) {
            feeds_.push(in, fb);
            read_.push(read);
        }
        return out;
    }

    // Every tick in this audio sample writes, inserts feedback and reads one tape sample;
    // then the output is read between the tape samples. How far the clock runs past its
    // next tick in this sample, in ticks (negative: it does not get there), tells which
    // ticks fall in it (those at 0, 1, ... up to it) and where the output is read (what
    // is left past the last of them): neither waits for the division.
    inline Stereo stepClocked(const ClockRate& rate) {
        const Stereo spacing = rate.spacing;
        const Stereo past = rate.speed * (1.0 - tick_);
        // The first tick is taken by lanes without a branch (a line not due stands still):
        // whether a slow clock ticks in this sample follows the modulation and would be
        // mispredicted. A second tick (a speed above 1) comes in runs and is branched on.
        Mask2 due = tick_ <= both(1.0);  // past >= 0
        Stereo at = select(due, past, 1.0 + past);
        tapeStep(due, spacing);
        for (double j = 1.0; anyLane(due = past >= both(j)); j += 1.0) {
            at = select(due, past - j, at);
            tapeStep(due, spacing);
        }
        tick_ = tick_ - 1.0;
        return catmullRomAt(read_.h, at);
    }

    // The tick at tick_ for the lines where it falls in this audio sample (due): one tape
    // sample written (interpolated at its time between the audio samples), feedback
    // inserted and read.
    inline void tapeStep(Mask2 due, Stereo spacing) {
        const CatmullRomOf<Stereo> cr(tick_);
        const Stereo write = cr(feeds_.inputs());
        const Stereo insert = select(due, cr(feeds_.feedback()), both(-0.0));
        const int bits = laneBits(due);
        const double left = heads_[0].step(bits & 1, write[0], insert[0]);
        const double right = heads_[1].step(bits >> 1, write[1], insert[1]);
        read_.push(Stereo{left, right}, due);
        tick_ = select(due, tick_ + spacing, tick_);
    }

    double vcoMan_;
    const double* octave_;
    bool modZero_;
    ClockRate fixed_;  // the rate while VcoMod stays at 0
    bool unit_ = false;
    LineFeeds feeds_;
    StereoHistory read_;
    TapeHeads heads_[2];
    // The unit path: last input and feedback, the last two tape samples read (newest first).
    Stereo unitIn_, unitFb_, unitRead_[2];
    Stereo tick_;  // the time of each line's next tick
};

// The policy of a block: clocked or plain.
template <bool kClocked>
using LinePolicy = std::conditional_t<kClocked, ClockedLines, PlainLines>;

template <bool kClocked>
inline LinePolicy<kClocked> linePolicy(DelayLine* lines, double vcoMan, bool vcoModZero,
                                       const double* octave) {
    // The taps may have been placed outside the block: their wrap is looked at afresh.
    lines[0].wrapIn = lines[1].wrapIn = 0;
    if constexpr (kClocked)
        return ClockedLines(lines, vcoMan, vcoModZero, octave);
    else
        return PlainLines(lines);
}

}  // namespace lumdel
