// The road of one block, written once for both host precisions. Settings and running
// state are read into locals before the first sample and written back after the last,
// so the per-sample loop touches nothing but locals, the lines and the host buffers.
#include <cmath>
#include <initializer_list>
#include <utility>

#include "Denormal.h"
#include "Engine.h"

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace lumdel {

namespace {

// Denormals flushed to zero (FTZ) and read as zero (DAZ) for the length of a block;
// the host's own setting comes back afterwards.
class DenormalsOff {
public:
#if defined(__SSE__)
    DenormalsOff() : saved_(_mm_getcsr()) { _mm_setcsr(saved_ | 0x8040u); }
    ~DenormalsOff() { _mm_setcsr(saved_); }

private:
    unsigned saved_;
#endif
};

// A host sample as the engine sees it: widened, and 0 when it is not a finite number.
template <typename T>
inline double sampleIn(const T* buffer, int i) {
    const double v = static_cast<double>(buffer[i]);
    return (v - v == 0.0) ? v : 0.0;
}

inline double biquad(double x, BiquadState& s, double b0, double b1, double b2, double a1,
                     double a2) {
    const double y = flush(b0 * x + b1 * s.x1 + b2 * s.x2 - a1 * s.y1 - a2 * s.y2);
    s.x2 = s.x1;
    s.x1 = x;
    s.y2 = s.y1;
    s.y1 = y;
    return y;
}

// What goes round the feedback loop is held within +-kLoopCeiling (+30 dBFS). A loop that
// gains (full feedback through a filter that lifts some band, with a delay of a few
// samples) would otherwise grow without end and reach Inf within a block; held, it
// settles into a loud but finite oscillation. Signals that die away never come near.
constexpr double kLoopCeiling = 32.0;
inline double loopLimit(double x) {
    return x > kLoopCeiling ? kLoopCeiling : (x < -kLoopCeiling ? -kLoopCeiling : x);
}

inline void push(double* h, double v) {
    h[0] = h[1];
    h[1] = h[2];
    h[2] = h[3];
    h[3] = v;
}

// Catmull-Rom between h[1] and h[2] of a four-value history (oldest first), written as
// four weights of t shared by every history read at the same t:
//   0.5 (2 h1 + (h2 - h0) t + (2 h0 - 5 h1 + 4 h2 - h3) t^2 + (3 h1 - 3 h2 + h3 - h0) t^3).
// At t = 0 and t = 1 the weights are exactly (0, 1, 0, 0) and (0, 0, 1, 0).
struct CatmullRom {
    double w0, w1, w2, w3;
    explicit CatmullRom(double t) {
        const double t2 = t * t, t3 = t2 * t;
        w0 = 0.5 * (2.0 * t2 - t - t3);
        w1 = 0.5 * (2.0 - 5.0 * t2 + 3.0 * t3);
        w2 = 0.5 * (t + 4.0 * t2 - 3.0 * t3);
        w3 = 0.5 * (t3 - t2);
    }
    double operator()(const double* h) const { return w0 * h[0] + w1 * h[1] + w2 * h[2] + w3 * h[3]; }
};

// Four values pushed into a ring of four (one store per sample) instead of shifted;
// unrolled into oldest-first order after the block.
struct HistoryRing {
    double v[4];
    explicit HistoryRing(const double* h) {
        for (int k = 0; k < 4; ++k) v[k] = h[k];
    }
    void store(double* h, int pos) const {
        for (int k = 0; k < 4; ++k) h[k] = v[(pos + k) & 3];
    }
};

// Running state of one line in locals.
struct LineLocals {
    double* buf;
    int w, p, o;
    double fade;
    double speed, phase;
    double invSpeed;
    double inHist[4], fbHist[4], readHist[4];
};

inline void advance(int& tap, int len) {
    if (++tap == len) tap = 0;
}

// A clocked line at unit speed with its phase at 0: exactly one tape sample per audio
// sample, written at t = 1 (the previous input, h[2]) and read at t = 0 (h[1]). The
// phase stays 0 and the speed 1.
inline double unitClockLine(LineLocals& d, int len) {
    d.buf[d.w] = d.inHist[2];
    d.buf[d.p] += d.fbHist[2];
    push(d.readHist, d.buf[d.o]);
    advance(d.o, len);
    advance(d.p, len);
    advance(d.w, len);
    return d.readHist[1];
}

// The clock speed of a line: 2^s for s = (1 - |vcoMod|) vcoMan + vcoMod mod, 0.5..2.
inline double clockSpeed(double mod, double vcoMod, double vcoMan, const double* octave) {
    return octaveAt(octave, (1.0 - std::fabs(vcoMod)) * vcoMan + vcoMod * mod);
}

// The LFO phase advance alone (what Lfo::step does after its shapes), for samples whose
// LFO output nobody hears.
inline void advancePhase(double& phase, double inc) {
    phase += inc;
    if (phase > kPi) {
        phase -= kTwoPi;
        if (!(phase <= kPi)) phase = std::isfinite(phase) ? std::remainder(phase, kTwoPi) : 0.0;
    } else if (!(phase >= -kPi)) {
        phase = std::isfinite(phase) ? std::remainder(phase, kTwoPi) : 0.0;
    }
}

// One audio sample of a clocked line: the speed follows the modulation, and every whole
// step of the clock phase writes, inserts feedback and reads one tape sample. While the
// speed holds, the phase carries over unscaled and the tape positions use the stored
// reciprocal of the speed (a division per sample only while it moves).
inline double clockedLine(LineLocals& d, double newSpeed, int len) {
    double phi;
    if (newSpeed == d.speed) {
        phi = 1.0 - (1.0 - d.phase);
    } else {
        phi = 1.0 - (1.0 - d.phase) * newSpeed / d.speed;
        d.speed = newSpeed;
        d.invSpeed = 1.0 / newSpeed;
    }
    d.phase = phi + newSpeed;
    for (int j = 0; d.phase >= 1.0; ++j) {
        d.phase -= 1.0;
        const CatmullRom cr((1.0 - phi + j) * d.invSpeed);
        d.buf[d.w] = cr(d.inHist);
        d.buf[d.p] += cr(d.fbHist);
        push(d.readHist, d.buf[d.o]);
        advance(d.o, len);
        advance(d.p, len);
        advance(d.w, len);
    }
    return CatmullRom(d.phase)(d.readHist);
}

}  // namespace

template <typename T>
void Engine::writeSilence(T** outputs, int frames, const Routing& routing) {
    if (!outputs || frames <= 0) return;
    T* outL = outputs[routing.outputIndexL];
    T* outR = outputs[routing.outputIndexR];
    for (int i = 0; i < frames; ++i) {
        if (outL) outL[i] = 0;
        if (outR) outR[i] = 0;
    }
}

template <typename T>
void Engine::process(T** inputs, T** outputs, int frames, const Routing& routing) {
    if (frames <= 0) return;
    if (!inputs || !outputs || !inputs[routing.inputIndexL] || !inputs[routing.inputIndexR] ||
        !inputs[routing.sidechainIndexL] || !inputs[routing.sidechainIndexR] ||
        !outputs[routing.outputIndexL] || !outputs[routing.outputIndexR]) {
        writeSilence(outputs, frames, routing);
        return;
    }
    DenormalsOff denormalsOff;
    // RvbDamp is written without the lock; the reverb takes it over here, between blocks.
    double damping = rvbDampValue;
    if (!(damping >= 0.0)) damping = 0.0;
    if (damping > 1.0) damping = 1.0;
    if (damping != reverb_.damping) reverb_.setDamping(damping);
    linesDirty_ = true;
    linesTouched_ = true;
    const bool smooth = !smoothersSettled();
    if (vcoOn) {
        if (smooth)
            run<T, true, true>(inputs, outputs, frames, routing);
        else
            run<T, true, false>(inputs, outputs, frames, routing);
    } else {
        if (smooth)
            run<T, false, true>(inputs, outputs, frames, routing);
        else
            run<T, false, false>(inputs, outputs, frames, routing);
    }

    // A runaway loop (only reachable with settings outside their range) must not leave
    // the lines full of infinities: start again from silence.
    const bool finite = std::isfinite(fbOutL_) && std::isfinite(fbOutR_) &&
                        std::isfinite(left_.readHist[3]) && std::isfinite(right_.readHist[3]) &&
                        std::isfinite(filter_.bandL) && std::isfinite(filter_.bandR) &&
                        std::isfinite(filter_.lowL) && std::isfinite(filter_.lowR) &&
                        std::isfinite(reverb_.bpL.y1) && std::isfinite(reverb_.bpR.y1) &&
                        std::isfinite(env_.envL) && std::isfinite(env_.envR) &&
                        std::isfinite(gate_.envL) && std::isfinite(gate_.envR) &&
                        std::isfinite(ducker_.env) && std::isfinite(left_.aa[1].y1) &&
                        std::isfinite(right_.aa[1].y1) && std::isfinite(lfo_.outL) &&
                        std::isfinite(lfo_.outR) && std::isfinite(lookahead_.bufL[0]) &&
                        std::isfinite(lookahead_.bufR[0]) && std::isfinite(drive_.sumL) &&
                        std::isfinite(drive_.sumR);
    if (!finite) reset();
}

template <typename T, bool kVco, bool kSmooth>
[[gnu::flatten]] void Engine::run(T** inputs, T** outputs, int frames, const Routing& routing) {
    const T* const inL = inputs[routing.inputIndexL];
    const T* const inR = inputs[routing.inputIndexR];
    const T* const keyL = inputs[routing.sidechainIndexL];
    const T* const keyR = inputs[routing.sidechainIndexR];
    T* const outL = outputs[routing.outputIndexL];
    T* const outR = outputs[routing.outputIndexR];

    // --- per block ------------------------------------------------------------------
    const double dryThrough = rvbMode == 0 ? 1.0 : 0.0;
    const double dryToWet = 1.0 - dryThrough;
    if (cutoff > sampleRate * 0.5) cutoff = sampleRate * 0.5;

    const double c = smoothCoef;
    double sInputGain = inputGain, sMuteInL = muteInL, sMuteInR = muteInR;
    double sOutputGain = outputGain, sMix = mix;
    double sFbGainL = fbGainL, sFbGainR = fbGainR, sFbPanL = fbPanL, sFbPanR = fbPanR;
    double sDlyPanL = dlyPanL, sDlyPanR = dlyPanR;
    double sGateL = gateThresholdL, sGateR = gateThresholdR;
    double sModSrc = modSrc, sCutfMod = cutfMod, sResoMod = resoMod;
    double sCutoff = cutoff, sReso = reso, sVcoMod = vcoMod, sDriveGain = driveGain;
    const double tInputGain = inputGainTarget, tMuteInL = muteInLTarget,
                 tMuteInR = muteInRTarget, tOutputGain = outputGainTarget, tMix = mixTarget,
                 tFbGainL = fbGainLTarget, tFbGainR = fbGainRTarget, tFbPanL = fbPanLTarget,
                 tFbPanR = fbPanRTarget, tDlyPanL = dlyPanLTarget, tDlyPanR = dlyPanRTarget,
                 tGateL = gateThresholdLTarget, tGateR = gateThresholdRTarget,
                 tModSrc = modSrcTarget, tCutfMod = cutfModTarget, tResoMod = resoModTarget,
                 tCutoff = cutoffTarget, tReso = resoTarget, tVcoMod = vcoModTarget,
                 tDriveGain = driveGainTarget;

    const bool filterOn = fltOn != 0;
    const int filterMode = fltMode, filterType = fltType;
    const bool filterAtInput = filterOn && filterMode == 0;
    const bool filterAfterLine = filterOn && filterMode != 0;
    const bool filterInLoop = filterOn && filterMode == 1;
    const bool reverbOn = rvbOn != 0, driveOn = driveValue > 0.0;
    // Bypass: settled (raw inputs exactly), settled off, or on its ramp between.
    const double bypassTarget = bypass != 0 ? 1.0 : 0.0;
    double sBypass = bypassMix;
    // (The ramps run on the smoothing path only: the block takes it while one is due.)
    const bool bypassRamp = kSmooth && sBypass != bypassTarget;
    const bool bypassOn = sBypass == 1.0 && bypassTarget == 1.0;
    const double bypassInc = sBypass < bypassTarget ? bypassStep : -bypassStep;
    // Output hold of a preset load: the request is read before the holds, so a request
    // seen here comes with its hold.
    const std::uint32_t request = __atomic_load_n(&holdRequest, __ATOMIC_ACQUIRE);
    const bool held = __atomic_load_n(&outputHolds, __ATOMIC_ACQUIRE) > 0;
    double sHold = holdGain;
    const bool holdRamp = kSmooth && (held || sHold < 1.0);
    const double holdInc = held ? -holdStep : holdStep;
    const double fbSL = fbSignL, fbSR = fbSignR, dlySL = dlySignL, dlySR = dlySignR;
    const double vcoManual = vcoMan, offset = lrOffset, phaseInc = blockPhaseInc_;
    const int wave = lfoWave;
    // A preset load's switches splice the streams into the lines (the output is held
    // meanwhile); switches changed at any other time act at once.
    const LinePathSwitches switches{filterOn ? 1 : 0, filterMode, filterType, driveOn ? 1 : 0,
                                    kVco ? 1 : 0,     wave,       fbSL,       fbSR,
                                    vcoManual};
    const bool join = holdRamp && switches != lastSwitches_;
    lastSwitches_ = switches;
    LineSplices splices = splices_;
    const bool splicing = join || splices.active();
    const double joinDecay = spliceDecay;
    const double edgeSmooth = squareSmoothCoef, sens = modSens, envelopeCoef = envCoef;
    const double gateAttack = gateAttackCoef, gateRelease = gateReleaseCoef;
    const double duckThr = duckThreshold, duckAttack = duckAttackCoef,
                 duckRelease = duckReleaseCoef;
    const double maxFc = maxCutoff, halfRateInv = invHalfRate;
    const double step = fadeStep;
    const double* const sine = tables_->sine;
    const double* const octave = tables_->octave;
    const double* const svfCoef = tables_->svfCoef;
    const double* const svfDamp = tables_->svfDamp;
    const double sineScale = sineTableScale_;
    const double b0 = aaB0_, b1 = aaB1_, b2 = aaB2_, a1 = aaA1_, a2 = aaA2_;

    SvfFilter filter = filter_;
    EnvelopeFollower env = env_;
    Lfo lfo = lfo_;
    ModulationBlend modulation = modulation_;
    Random random = random_;
    Drive drive = drive_;
    drive.beginBlock();
    Gate gate = gate_;
    Lookahead lookahead = lookahead_;
    Ducker ducker = ducker_;
    Reverb reverb = reverb_;
    reverb.amount = reverbAmount;

    const int len = delayBufferLength_;
    LineLocals L{left_.buf, left_.writeTap, left_.preTap, left_.outTap, left_.fadeGain,
                 left_.vcoSpeed, left_.vcoPhase, 1.0 / left_.vcoSpeed, {}, {}, {}};
    LineLocals R{right_.buf, right_.writeTap, right_.preTap, right_.outTap,
                 right_.fadeGain, right_.vcoSpeed, right_.vcoPhase, 1.0 / right_.vcoSpeed,
                 {}, {}, {}};
    for (int k = 0; k < 4; ++k) {
        L.inHist[k] = left_.inHist[k];
        L.fbHist[k] = left_.fbHist[k];
        L.readHist[k] = left_.readHist[k];
        R.inHist[k] = right_.inHist[k];
        R.fbHist[k] = right_.fbHist[k];
        R.readHist[k] = right_.readHist[k];
    }
    // Plain mode keeps the histories in rings of four (one store per value).
    HistoryRing ringInL(left_.inHist), ringInR(right_.inHist);
    HistoryRing ringFbL(left_.fbHist), ringFbR(right_.fbHist);
    HistoryRing ringReadL(left_.readHist), ringReadR(right_.readHist);
    int ringPos = 0;

    BiquadState aaL0 = left_.aa[0], aaL1 = left_.aa[1];
    BiquadState aaR0 = right_.aa[0], aaR1 = right_.aa[1];

    float* const meterL = meterBufL_.get();
    float* const meterR = meterBufR_.get();
    const int meterLen = meterBufferLength_;
    int meterIdx = meterIndex_;
    float meterMinL = meterMinL_, meterMinR = meterMinR_;
    float meterMaxL = meterMaxL_, meterMaxR = meterMaxR_;

    double fbOutL = fbOutL_, fbOutR = fbOutR_;
    double lastXL = 0.0, lastXR = 0.0;

    // Who hears the modulation signals: the filter (cutoff and resonance) and the clocked
    // lines while VcoMod is not 0. With VcoMod at 0 the clock speed is 2^vcoMan whatever
    // the modulation (0 times a finite signal), so it is computed once. When neither
    // hears them, the blend runs only on the last sample (the filter reads its result
    // from the next sample on), and LFO shapes without memory (sine, triangle) only
    // advance their phase until then. The envelopes always run: they carry state.
    const bool vcoModZero = sVcoMod == 0.0 && (!kSmooth || tVcoMod == 0.0);
    const bool modulationHeard = filterOn || (kVco && !vcoModZero);
    const bool lfoMemoryless = wave == Lfo::kSine || wave == Lfo::kTriangle;
    const double fixedSpeed = octaveAt(octave, vcoManual);
    const int lastSample = frames - 1;
    double driveTailL[16], driveTailR[16];
    // A clock at exactly unit speed whose phase sits on the sample grid stays there.
    const bool unitClock = kVco && vcoModZero && fixedSpeed == 1.0 && L.speed == 1.0 &&
                           R.speed == 1.0 && L.phase == 0.0 && R.phase == 0.0;

    for (int i = 0; i < frames; ++i) {
        // Every input of this sample is read before any output is written (the host may
        // hand the same buffer for both).
        const double rawL = sampleIn(inL, i), rawR = sampleIn(inR, i);
        const double keyLeft = sampleIn(keyL, i), keyRight = sampleIn(keyR, i);

        // Smoothing.
        if constexpr (kSmooth) {
            sInputGain = flush(sInputGain + (tInputGain - sInputGain) * c);
            sMuteInL = flush(sMuteInL + (tMuteInL - sMuteInL) * c);
            sMuteInR = flush(sMuteInR + (tMuteInR - sMuteInR) * c);
            sOutputGain = flush(sOutputGain + (tOutputGain - sOutputGain) * c);
            sMix = flush(sMix + (tMix - sMix) * c);
            sFbGainL = flush(sFbGainL + (tFbGainL - sFbGainL) * c);
            sFbGainR = flush(sFbGainR + (tFbGainR - sFbGainR) * c);
            sFbPanL = flush(sFbPanL + (tFbPanL - sFbPanL) * c);
            sFbPanR = flush(sFbPanR + (tFbPanR - sFbPanR) * c);
            sDlyPanL = flush(sDlyPanL + (tDlyPanL - sDlyPanL) * c);
            sDlyPanR = flush(sDlyPanR + (tDlyPanR - sDlyPanR) * c);
            sGateL = flush(sGateL + (tGateL - sGateL) * c);
            sGateR = flush(sGateR + (tGateR - sGateR) * c);
            sModSrc = flush(sModSrc + (tModSrc - sModSrc) * c);
            sCutfMod = flush(sCutfMod + (tCutfMod - sCutfMod) * c);
            sResoMod = flush(sResoMod + (tResoMod - sResoMod) * c);
            sCutoff = flush(sCutoff + (tCutoff - sCutoff) * c);
            sReso = flush(sReso + (tReso - sReso) * c);
            sVcoMod = flush(sVcoMod + (tVcoMod - sVcoMod) * c);
            sDriveGain = flush(sDriveGain + (tDriveGain - sDriveGain) * c);
        }

        // Output hold of a preset load. Below 0 all is silent: held, the ramp drops to
        // -0.75 at once, so that after the release 3 ms of silence pass before it rises.
        // Only what is heard is held (and the reverb's input): the lines and the feedback
        // loop run on, so no hole is recorded there to come back in every later echo; the
        // new switches are spliced into them instead.
        double holdG = 1.0;
        if (holdRamp) {
            sHold += holdInc;
            if (sHold > 1.0) sHold = 1.0;
            if (sHold <= 0.0 && held) sHold = -0.75;
            holdG = sHold > 0.0 ? sHold : 0.0;
        }

        // Input gain.
        double xL = rawL * sInputGain;
        double xR = rawR * sInputGain;

        // Meter rings: the peaks are taken one ring length (the host's output latency)
        // later, when the sample is heard.
        meterL[meterIdx] = static_cast<float>(xL);
        meterR[meterIdx] = static_cast<float>(xR);
        if (++meterIdx == meterLen) meterIdx = 0;
        {
            const float sL = meterL[meterIdx], sR = meterR[meterIdx];
            if (sL > meterMaxL)
                meterMaxL = sL;
            else if (sL < meterMinL)
                meterMinL = sL;
            if (sR > meterMaxR)
                meterMaxR = sR;
            else if (sR < meterMinR)
                meterMinR = sR;
        }

        // Filter coefficients, and the filter in the input position (dry included).
        if (filterOn) {
            filter.computeCoefficients(sCutoff, modulation.cutoffFactor, maxFc, halfRateInv,
                                       modulation.resoModSource, sResoMod, sReso, svfCoef,
                                       svfDamp);
            if (filterAtInput) filter.process(xL, xR, filterType);
        }

        // Anti-alias ahead of the clocked lines.
        double uL = xL, uR = xR;
        if constexpr (kVco) {
            uL = biquad(biquad(xL, aaL0, b0, b1, b2, a1, a2), aaL1, b0, b1, b2, a1, a2);
            uR = biquad(biquad(xR, aaR0, b0, b1, b2, a1, a2), aaR1, b0, b1, b2, a1, a2);
        }

        // Drive (the follower hears the line input before it).
        const double absUL = std::fabs(uL), absUR = std::fabs(uR);
        if (driveOn) {
            drive.step(uL, uR, sDriveGain, true);
        } else {
            // The rings only need the last window of |u|·driveGain when the drive is off.
            driveTailL[i & 15] = (uL < 0 ? -uL : uL) * sDriveGain;
            driveTailR[i & 15] = (uR < 0 ? -uR : uR) * sDriveGain;
        }

        // Envelope, LFO and their blend.
        env.step(absUL, absUR, sens, envelopeCoef);
        if (modulationHeard || i == lastSample) {
            lfo.step(wave, offset, phaseInc, edgeSmooth, sine, sineScale, random);
            modulation.step(lfo.outL, lfo.outR, env.bipolarL(), env.bipolarR(), sModSrc,
                            sCutfMod, octave);
        } else if (lfoMemoryless) {
            advancePhase(lfo.phase, phaseInc);
        } else {
            lfo.step(wave, offset, phaseInc, edgeSmooth, sine, sineScale, random);
        }

        // Feedback matrix from the previous sample's feedback.
        const double right = fbOutL * sFbGainL * sFbPanL + fbOutR * sFbGainR * sFbPanR;
        double toLeft = flush(fbOutL * sFbGainL + fbOutR * sFbGainR - right);
        double toRight = flush(right);

        // The two lines.
        double lineInL = uL * sMuteInL, lineInR = uR * sMuteInR;
        if (splicing) {
            if (join && i == 0) {
                splices.inL.join(lineInL, left_.inHist[3], left_.inHist[2]);
                splices.inR.join(lineInR, right_.inHist[3], right_.inHist[2]);
                splices.beginFeedback(left_.fbHist, right_.fbHist);
            } else if (splices.feedbackDue) {
                // The feedback of the first sample was made before the change.
                splices.joinFeedback(toLeft, toRight);
            }
            lineInL = splices.inL.apply(lineInL, joinDecay);
            lineInR = splices.inR.apply(lineInR, joinDecay);
            toLeft = splices.fbL.apply(toLeft, joinDecay);
            toRight = splices.fbR.apply(toRight, joinDecay);
            splices.rememberFeedback(toLeft, toRight);
        }
        double a, b;
        if constexpr (kVco) {
            push(L.fbHist, toLeft);
            push(R.fbHist, toRight);
            push(L.inHist, lineInL);
            push(R.inHist, lineInR);
            if (unitClock) {
                a = unitClockLine(L, len);
                b = unitClockLine(R, len);
            } else {
                const double speedL =
                    vcoModZero ? fixedSpeed : clockSpeed(modulation.modL, sVcoMod, vcoManual, octave);
                const double speedR =
                    vcoModZero ? fixedSpeed : clockSpeed(modulation.modR, sVcoMod, vcoManual, octave);
                a = clockedLine(L, speedL, len);
                b = clockedLine(R, speedR, len);
            }
        } else {
            ringFbL.v[ringPos] = toLeft;
            ringFbR.v[ringPos] = toRight;
            ringInL.v[ringPos] = lineInL;
            ringInR.v[ringPos] = lineInR;
            L.buf[L.w] = lineInL;
            L.buf[L.p] += toLeft;
            a = L.buf[L.o];
            advance(L.o, len);
            advance(L.p, len);
            advance(L.w, len);
            R.buf[R.w] = lineInR;
            R.buf[R.p] += toRight;
            b = R.buf[R.o];
            ringReadL.v[ringPos] = a;
            ringReadR.v[ringPos] = b;
            ringPos = (ringPos + 1) & 3;
            advance(R.o, len);
            advance(R.p, len);
            advance(R.w, len);
        }

        // Fade of delay-time changes: out, jump, in.
        if (__atomic_load_n(&dlyFadeL, __ATOMIC_RELAXED)) {
            L.fade *= step;
            if (L.fade <= 0.001) {
                __atomic_store_n(&dlyFadeL, 0, __ATOMIC_SEQ_CST);
                left_.writeTap = L.w;
                placeTaps(0);
                L.p = left_.preTap;
                L.o = left_.outTap;
            }
        } else if (L.fade < 1.0) {
            L.fade /= step;
            if (L.fade > 1.0) L.fade = 1.0;
        }
        if (__atomic_load_n(&dlyFadeR, __ATOMIC_RELAXED)) {
            R.fade *= step;
            if (R.fade <= 0.001) {
                __atomic_store_n(&dlyFadeR, 0, __ATOMIC_SEQ_CST);
                right_.writeTap = R.w;
                placeTaps(1);
                R.p = right_.preTap;
                R.o = right_.outTap;
            }
        } else if (R.fade < 1.0) {
            R.fade /= step;
            if (R.fade > 1.0) R.fade = 1.0;
        }
        a *= L.fade;
        b *= R.fade;

        // Gate detection on the line outputs.
        double gateGainL, gateGainR;
        gate.step(a, b, sGateL, sGateR, gateAttack, gateRelease, gateGainL, gateGainR);

        // Filter in the loop or at the output; the feedback of the next sample.
        double yL = a, yR = b;
        if (filterAfterLine) filter.process(yL, yR, filterType);
        if (filterInLoop) {
            fbOutL = loopLimit(yL * fbSL);
            fbOutR = loopLimit(yR * fbSR);
        } else {
            fbOutL = loopLimit(a * fbSL);
            fbOutR = loopLimit(b * fbSR);
        }

        // 1 ms lookahead: the gate's gains act on what the lines gave 1 ms ago.
        double oL, oR;
        lookahead.step(yL, yR, oL, oR);

        // Wet signals and their panning.
        const double wetL = gateGainL * oL * dlySL;
        const double wetR = gateGainR * oR * dlySR;
        const double rightWet = wetR * sDlyPanR + wetL * sDlyPanL;
        const double leftWet = wetL + wetR - rightWet;

        // Mix.
        double mixR = (1.0 - sMix) * xR * dryToWet + sMix * rightWet;
        double mixL = (1.0 - sMix) * xL * dryToWet + sMix * leftWet;

        // Reverb. Its input is held with the output (its own loop runs on), so that no
        // step of the switches is recorded there.
        if (holdRamp) {
            mixL *= holdG;
            mixR *= holdG;
        }
        if (reverbOn) reverb.process(mixL, mixR);

        // Ducking from the raw key inputs.
        const double duck = ducker.step(keyLeft, keyRight, duckThr, duckAttack, duckRelease);

        // Output and bypass.
        double outLeft, outRight;
        if (bypassOn) {
            outLeft = rawL;
            outRight = rawR;
        } else {
            const double dry = dryThrough * (1.0 - sMix);
            outLeft = (xL * dry + duck * mixL) * sOutputGain;
            outRight = (xR * dry + duck * mixR) * sOutputGain;
            if (bypassRamp) {
                sBypass += bypassInc;
                if (sBypass >= 1.0) {
                    sBypass = 1.0;
                    outLeft = rawL;
                    outRight = rawR;
                } else {
                    if (sBypass < 0.0) sBypass = 0.0;
                    outLeft += (rawL - outLeft) * sBypass;
                    outRight += (rawR - outRight) * sBypass;
                }
            }
        }

        if (holdRamp) {
            outLeft *= holdG;
            outRight *= holdG;
        }

        // Both outputs; one shared buffer receives their sum.
        outR[i] = T(0);
        outL[i] = static_cast<T>(outLeft);
        outR[i] += static_cast<T>(outRight);

        lastXL = xL;
        lastXR = xR;
    }

    // --- write back -----------------------------------------------------------------
    inputGain = sInputGain;
    muteInL = sMuteInL;
    muteInR = sMuteInR;
    outputGain = sOutputGain;
    mix = sMix;
    fbGainL = sFbGainL;
    fbGainR = sFbGainR;
    fbPanL = sFbPanL;
    fbPanR = sFbPanR;
    dlyPanL = sDlyPanL;
    dlyPanR = sDlyPanR;
    gateThresholdL = sGateL;
    gateThresholdR = sGateR;
    modSrc = sModSrc;
    cutfMod = sCutfMod;
    resoMod = sResoMod;
    cutoff = sCutoff;
    reso = sReso;
    vcoMod = sVcoMod;
    driveGain = sDriveGain;
    bypassMix = sBypass;
    holdGain = sHold;
    splices.settle();
    splices_ = splices;
    if (held && sHold <= 0.0) __atomic_store_n(&holdAnswer, request, __ATOMIC_RELEASE);

    if (!driveOn) {
        // What the drive rings would have learnt sample by sample: the last window of the
        // block at the positions the ring index passed.
        const int n = drive.window;
        const int count = frames < n ? frames : n;
        for (int k = frames - count; k < frames; ++k) {
            const int at = (drive.index + k) & (n - 1);
            drive.bufL[at] = driveTailL[k & 15];
            drive.bufR[at] = driveTailR[k & 15];
        }
        drive.index = (drive.index + frames) & (n - 1);
    }
    filter_ = filter;
    env_ = env;
    lfo_ = lfo;
    modulation_ = modulation;
    random_ = random;
    drive_ = drive;
    gate_ = gate;
    lookahead_ = lookahead;
    ducker_ = ducker;
    reverb_ = reverb;

    for (auto [line, locals] : {std::pair<DelayLine*, LineLocals*>{&left_, &L}, {&right_, &R}}) {
        line->writeTap = locals->w;
        line->preTap = locals->p;
        line->outTap = locals->o;
        line->fadeGain = locals->fade;
        line->vcoSpeed = locals->speed;
        line->vcoPhase = locals->phase;
        for (int k = 0; k < 4; ++k) line->readHist[k] = locals->readHist[k];
    }
    if constexpr (kVco) {
        for (int k = 0; k < 4; ++k) {
            left_.inHist[k] = L.inHist[k];
            left_.fbHist[k] = L.fbHist[k];
            right_.inHist[k] = R.inHist[k];
            right_.fbHist[k] = R.fbHist[k];
        }
        left_.aa[0] = aaL0;
        left_.aa[1] = aaL1;
        right_.aa[0] = aaR0;
        right_.aa[1] = aaR1;
    } else {
        ringInL.store(left_.inHist, ringPos);
        ringInR.store(right_.inHist, ringPos);
        ringFbL.store(left_.fbHist, ringPos);
        ringFbR.store(right_.fbHist, ringPos);
        ringReadL.store(left_.readHist, ringPos);
        ringReadR.store(right_.readHist, ringPos);
        // The read history follows the plain lines too, and the anti-alias stages settle
        // on their last input (ahead of the drive), so that switching the clocked mode on
        // goes on from where the lines were.
        for (BiquadState* s : {&left_.aa[0], &left_.aa[1]}) s->x1 = s->x2 = s->y1 = s->y2 = lastXL;
        for (BiquadState* s : {&right_.aa[0], &right_.aa[1]})
            s->x1 = s->x2 = s->y1 = s->y2 = lastXR;
    }

    meterIndex_ = meterIdx;
    meterMinL_ = meterMinL;
    meterMinR_ = meterMinR;
    meterMaxL_ = meterMaxL;
    meterMaxR_ = meterMaxR;
    fbOutL_ = fbOutL;
    fbOutR_ = fbOutR;
}

template void Engine::process<float>(float**, float**, int, const Routing&);
template void Engine::process<double>(double**, double**, int, const Routing&);
template void Engine::writeSilence<float>(float**, int, const Routing&);
template void Engine::writeSilence<double>(double**, int, const Routing&);

}  // namespace lumdel
