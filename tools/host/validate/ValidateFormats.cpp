// Formats and rates: every common rate and block size in both precisions, blocks longer
// than announced, and sample-rate changes with and without a suspend in between.
#include <cmath>

#include "Validate.h"
#include "ValidateUtil.h"

namespace lumdel::host::validate {

namespace {

const float kRates[] = {44100.0f, 48000.0f, 88200.0f, 96000.0f, 192000.0f};

double rms(const Signal& s, long from) {
    double sum = 0.0;
    long n = 0;
    for (const auto& ch : s)
        for (long i = from; i < static_cast<long>(ch.size()); ++i, ++n) sum += ch[i] * ch[i];
    return n ? std::sqrt(sum / n) : 0.0;
}

void checkRatesAndBlocks(Session& s, Report& r) {
    const double seconds = s.scale(6, 10) / 10.0;
    for (bool dbl : precisions(s.facts)) {
        for (float rate : kRates) {
            const int frames = static_cast<int>(rate * seconds);
            Signal in = testProgramme(s.rng, s.facts.numInputs, frames, rate);
            Signal reference;
            double worstDiff = 0.0;
            int worstBlock = 0;
            std::string blocks;
            // Block sizes as announced, then 1024 frames after announcing 512 (twice the
            // announced maximum: hosts get this wrong, plug-ins must not overrun).
            const int sizes[][2] = {{512, 512}, {1, 1}, {17, 17}, {64, 64}, {4096, 4096}, {512, 1024}};
            for (const auto& size : sizes) {
                auto host = s.startInstance(r, rate, size[0]);
                if (!host) return;
                Signal out = process(*host, in, size[1], dbl, s.facts.numOutputs);
                Scan sc = scan(out, !dbl);
                if (!sc.clean() || sc.peak > 1000.0)
                    r.fail("%s %.0f Hz, blocks of %d (announced %d): %s", precisionName(dbl), rate,
                           size[1], size[0], sc.describe().c_str());
                if (reference.empty()) {
                    reference = out;
                } else {
                    // The second half only: plug-ins may settle their controls once per
                    // block at the start, and a delay repeats that start a while later.
                    Signal a = reference, b = out;
                    for (auto* sig : {&a, &b})
                        for (auto& ch : *sig) ch.erase(ch.begin(), ch.begin() + frames / 2);
                    double d = maxDifference(a, b);
                    if (d > worstDiff) {
                        worstDiff = d;
                        worstBlock = size[1];
                    }
                }
            }
            // The same input must give the same output whatever the block size; a small
            // difference is allowed for plug-ins that update controls once per block.
            if (worstDiff > 1e-3)
                r.fail("%s %.0f Hz: output depends on the block size: after settling, up to %.3g "
                       "away from blocks of 512 with blocks of %d",
                       precisionName(dbl), rate, worstDiff, worstBlock);
            else
                r.note("%s %.0f Hz: blocks 1, 17, 64, 512, 4096 and 1024 (announced 512) clean; "
                       "largest difference to blocks of 512: %.3g",
                       precisionName(dbl), rate, worstDiff);
        }
    }
    if (s.facts.canDouble()) {
        auto a = s.startInstance(r);
        auto b = s.startInstance(r);
        if (!a || !b) return;
        Signal in = makeNoise(s.rng, s.facts.numInputs, 44100, 0.5);
        double d = maxDifference(process(*a, in, 512, false, s.facts.numOutputs),
                                 process(*b, in, 512, true, s.facts.numOutputs));
        // Float output is rounded to 24 bits (6e-8 relative); 1e-4 (-80 dB) leaves room
        // for float arithmetic inside the plug-in, not for a different algorithm.
        if (d > 1e-4)
            r.fail("float and double output differ by up to %.3g (bound 1e-4)", d);
        else
            r.note("float and double output agree within %.3g (bound 1e-4)", d);
    }
}

void checkRateChanges(Session& s, Report& r) {
    struct Step {
        float rate;
        bool suspendFirst;
    };
    const Step steps[] = {{96000.0f, true}, {48000.0f, false}, {192000.0f, true},
                          {44100.0f, false}, {88200.0f, true},  {44100.0f, true}};
    const int rounds = s.scale(1, 2);
    auto host = s.startInstance(r);
    if (!host) return;
    // Only VST 2.4 lets a host change the rate of a running instance; CLAP takes a new
    // rate with the next activation, so every step stops first there.
    const bool vst = s.options.format == Format::Vst2;
    if (!vst) {
        host->stop();
        if (!host->setSampleRate(44100.0)) {
            r.skip("an instance's rate is fixed when it is made: hosts make a new one for "
                   "another rate (formats.rates-blocks covers every rate)");
            return;
        }
        if (!resume(*host)) {
            r.fail("the instance did not start again after a stop");
            return;
        }
    }
    for (int round = 0; round < rounds; ++round) {
        for (const Step& st : steps) {
            Signal in = makeNoise(s.rng, s.facts.numInputs, static_cast<int>(st.rate / 2), 0.5);
            const bool stopFirst = st.suspendFirst || !vst;
            if (stopFirst) host->stop();
            const char* how = stopFirst ? "with suspend" : "without suspend";
            if (!host->setSampleRate(st.rate) || !resume(*host)) {
                r.fail("to %.0f Hz %s: the instance refused the new rate", st.rate, how);
                return;
            }
            Signal out = process(*host, in, 512, false, s.facts.numOutputs);
            auto fresh = s.startInstance(r, st.rate, 512);
            if (!fresh) return;
            Signal ref = process(*fresh, in, 512, false, s.facts.numOutputs);
            Scan sc = scan(out, true);
            double level = rms(out, static_cast<long>(st.rate / 4));
            double refLevel = rms(ref, static_cast<long>(st.rate / 4));
            if (!sc.clean() || sc.peak > 1000.0) {
                r.fail("to %.0f Hz %s: %s", st.rate, how, sc.describe().c_str());
            } else if (refLevel > 1e-6 && (level < 0.5 * refLevel || level > 2.0 * refLevel)) {
                // The second half of a half-second of noise: the same level as a fresh
                // instance at that rate, within a factor of two (6 dB).
                r.fail("to %.0f Hz %s: output level %.4g, a fresh instance gives %.4g", st.rate, how,
                       level, refLevel);
            } else {
                r.note("to %.0f Hz %s: clean, level %.4g (fresh instance %.4g)", st.rate, how, level,
                       refLevel);
            }
        }
    }
}

}  // namespace

std::vector<Check> formatChecks() {
    return {
        {"formats.rates-blocks", "5 rates x 6 block sizes x both precisions", checkRatesAndBlocks,
         Reach::AnyFormat},
        {"formats.rate-changes", "sample-rate changes with and without suspend", checkRateChanges,
         Reach::AnyFormat},
    };
}

}  // namespace lumdel::host::validate
