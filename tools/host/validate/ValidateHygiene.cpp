// Output hygiene: what comes out is always a finite, normal number; silence in gives
// exact silence out once the tail has decayed; the host's input buffers are read only;
// processing in place gives what processing out of place gives.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "Validate.h"
#include "ValidateUtil.h"

namespace lumdel::host::validate {

namespace {

void checkFinite(Session& s, Report& r) {
    const int seconds = s.scale(1, 6);
    for (bool dbl : precisions(s.facts)) {
        auto host = s.startInstance(r);
        if (!host) return;
        Signal in = testProgramme(s.rng, s.facts.numInputs, seconds * 44100, 44100.0);
        Signal out = process(*host, in, 512, dbl, s.facts.numOutputs);
        Scan sc = scan(out, !dbl);
        if (sc.clean())
            r.note("%s: %d s of noise, sines, impulses, DC and +12 dB bursts: %s", precisionName(dbl),
                   seconds, sc.describe().c_str());
        else
            r.fail("%s: %s", precisionName(dbl), sc.describe().c_str());
    }
}

void checkSilenceTail(Session& s, Report& r) {
    // A delay's tail may be long (5 s lines with feedback); the cap grows with strictness.
    const int capSeconds = s.scale(8, 30);
    for (bool dbl : precisions(s.facts)) {
        auto host = s.startInstance(r);
        if (!host) return;
        const long tailSize = host->tailFrames();
        Signal in = makeNoise(s.rng, s.facts.numInputs, 44100, 0.5);
        process(*host, in, 512, dbl, s.facts.numOutputs);
        Signal silence = makeSilence(s.facts.numInputs, capSeconds * 44100);
        Signal out = process(*host, silence, 512, dbl, s.facts.numOutputs);
        // Lumdel ('LMDL') flushes its recursions to exact zero; for any other plug-in the
        // tail has ended once it stays below -160 dBFS, far under 24-bit resolution.
        const double floor = s.facts.isLumdel() ? 0.0 : 1e-8;
        long last = -1;
        for (const auto& ch : out)
            for (long i = static_cast<long>(ch.size()) - 1; i > last; --i)
                if (std::fabs(ch[i]) > floor) {
                    last = i;
                    break;
                }
        const long lastExact = lastNonZero(out);
        Scan sc = scan(out, !dbl);
        if (!sc.clean()) r.fail("%s: during the tail: %s", precisionName(dbl), sc.describe().c_str());
        const long frames = static_cast<long>(out.empty() ? 0 : out[0].size());
        char exact[96] = "then exact silence";
        if (lastExact >= frames - 44100)
            std::snprintf(exact, sizeof exact, "never exactly silent (%.3g in the last second)",
                          peakOf(out, frames - 44100));
        if (last < frames - 44100) {
            char told[64] = "";
            if (tailSize >= 0) std::snprintf(told, sizeof told, "; tail size told %ld", tailSize);
            r.note("%s: tail %.1f ms (to %s), %s%s", precisionName(dbl),
                   std::max(last, 0L) * 1000.0 / 44100.0, floor > 0 ? "-160 dBFS" : "exact zero",
                   exact, told);
        } else {
            double peak = 0.0;
            for (const auto& ch : out)
                for (long i = frames - 44100; i < frames; ++i) peak = std::max(peak, std::fabs(ch[i]));
            r.fail("%s: still not %s %d s after the input stopped (peak %.3g in the last "
                   "second, last frame above it %ld): hosts cannot tell the tail has ended",
                   precisionName(dbl), floor > 0 ? "below -160 dBFS" : "exactly silent", capSeconds,
                   peak, last);
        }
    }
}

template <typename T>
void inputsUntouched(Session& s, Report& r, bool dbl) {
    auto host = s.startInstance(r);
    if (!host) return;
    const int block = 512;
    const int blocks = s.scale(20, 200);
    Buffers<T> in(std::max(s.facts.numInputs, 1), block), out(std::max(s.facts.numOutputs, 1), block);
    std::uniform_real_distribution<double> d(-0.8, 0.8);
    long changed = 0;
    for (int b = 0; b < blocks; ++b) {
        for (auto& ch : in.data)
            for (T& x : ch) x = static_cast<T>(d(s.rng));
        auto copy = in.data;
        if constexpr (std::is_same_v<T, double>)
            host->processDouble(in.get(), out.get(), block);
        else
            host->process(in.get(), out.get(), block);
        for (size_t c = 0; c < in.data.size(); ++c)
            if (std::memcmp(in.data[c].data(), copy[c].data(), block * sizeof(T)) != 0) {
                if (changed == 0) r.fail("%s: input %zu changed by block %d", precisionName(dbl), c, b);
                ++changed;
            }
    }
    if (changed == 0)
        r.note("%s: %d blocks, all %d input buffers bit-identical afterwards", precisionName(dbl),
               blocks, s.facts.numInputs);
    else
        r.fail("%s: %ld input buffers written to", precisionName(dbl), changed);
}

void checkInputsUntouched(Session& s, Report& r) {
    inputsUntouched<float>(s, r, false);
    if (s.facts.canDouble()) inputsUntouched<double>(s, r, true);
}

template <typename T>
void inPlace(Session& s, Report& r, bool dbl) {
    auto a = s.startInstance(r);
    auto b = s.startInstance(r);
    if (!a || !b) return;
    const int block = 256;
    const int blocks = s.scale(20, 200);
    const int nin = std::max(s.facts.numInputs, 1), nout = std::max(s.facts.numOutputs, 1);
    // In place: output channel c shares the buffer of input channel c where both exist.
    Buffers<T> inA(nin, block), outA(nout, block), inB(std::max(nin, nout), block), extraB(nout, block);
    std::vector<T*> outPtrs(nout);
    for (int c = 0; c < nout; ++c) outPtrs[c] = c < nin ? inB.data[c].data() : extraB.data[c].data();
    std::uniform_real_distribution<double> d(-0.8, 0.8);
    double worst = 0.0;
    long where = -1;
    for (int bl = 0; bl < blocks; ++bl) {
        for (int c = 0; c < nin; ++c)
            for (int i = 0; i < block; ++i) inA.data[c][i] = inB.data[c][i] = static_cast<T>(d(s.rng));
        if constexpr (std::is_same_v<T, double>) {
            a->processDouble(inA.get(), outA.get(), block);
            b->processDouble(inB.get(), outPtrs.data(), block);
        } else {
            a->process(inA.get(), outA.get(), block);
            b->process(inB.get(), outPtrs.data(), block);
        }
        for (int c = 0; c < nout; ++c)
            for (int i = 0; i < block; ++i) {
                double diff = std::fabs(static_cast<double>(outA.data[c][i]) - outPtrs[c][i]);
                if (!(diff <= worst)) {
                    worst = std::isnan(diff) ? INFINITY : diff;
                    where = static_cast<long>(bl) * block + i;
                }
            }
    }
    if (worst == 0.0)
        r.note("%s: %d blocks in place bit-identical to out of place", precisionName(dbl), blocks);
    else
        r.fail("%s: in-place output differs from out-of-place by up to %.3g (first worst at frame %ld)",
               precisionName(dbl), worst, where);
}

void checkInPlace(Session& s, Report& r) {
    inPlace<float>(s, r, false);
    if (s.facts.canDouble()) inPlace<double>(s, r, true);
}

}  // namespace

std::vector<Check> hygieneChecks() {
    return {
        {"hygiene.finite", "no NaN, Inf or subnormal output in either precision", checkFinite,
         Reach::AnyFormat},
        {"hygiene.silence-tail", "silence in gives exact silence out after the tail", checkSilenceTail,
         Reach::AnyFormat},
        {"hygiene.inputs-untouched", "input buffers are not written when in != out",
         checkInputsUntouched, Reach::AnyFormat},
        {"hygiene.in-place", "in == out gives the out-of-place result", checkInPlace,
         Reach::AnyFormat},
    };
}

}  // namespace lumdel::host::validate
