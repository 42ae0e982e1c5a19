// Checks for Lumdel only (unique ID 'LMDL'): where the default preset's echo lands at
// every rate, after rate and tempo changes; the chunk's refusal rules; the 61 factory
// presets selected and back, with their tails.
#include <cmath>
#include <cstring>

#include "Validate.h"
#include "ValidateUtil.h"

namespace lumdel::host::validate {

namespace {

bool notLumdel(Session& s, Report& r) {
    if (s.facts.isLumdel()) return false;
    r.skip("Lumdel only (unique ID 'LMDL'); this is '%s'", fourCC(s.facts.uniqueID).c_str());
    return true;
}

// Sends an impulse through the main inputs and finds the first echo. The default preset
// is one quarter note at the host's tempo with no pre-delay and no feedback, so the
// first echo comes after 60000/bpm ms. The wet path runs through a 1 ms lookahead and
// the clocked mode's interpolation and anti-alias filter, so it may come up to
// 1 ms + 0.25 ms + 4 samples later, never earlier.
void expectEcho(Host& host, Report& r, double rate, double bpm, bool dbl, const std::string& what) {
    const double echoMs = 60000.0 / bpm;
    const long expected = static_cast<long>(echoMs * rate / 1000.0);
    const long lateness = static_cast<long>(rate / 1000.0) + static_cast<long>(rate / 4000.0) + 4;
    const int frames = static_cast<int>(expected + rate / 5);
    Signal in = makeSilence(host.effect()->numInputs, frames);
    in[0][0] = 1.0;
    if (in.size() > 1) in[1][0] = 1.0;
    Signal out = process(host, in, 512, dbl, host.effect()->numOutputs);
    const long skip = static_cast<long>(rate / 100);  // the dry impulse and its ringing
    long where = -1;
    double peak = 0.0;
    for (const auto& ch : out)
        for (long i = skip; i < frames; ++i)
            if (std::fabs(ch[i]) > peak) {
                peak = std::fabs(ch[i]);
                where = i;
            }
    double early = peakOf(out, skip, expected);
    if (peak < 0.05) {
        r.fail("%s: no echo (largest output after 10 ms: %.3g)", what.c_str(), peak);
    } else if (where < expected || where > expected + lateness) {
        r.fail("%s: first echo at frame %ld (%.2f ms), expected %ld..%ld (%.2f ms + up to %ld)",
               what.c_str(), where, where * 1000.0 / rate, expected, expected + lateness, echoMs,
               lateness);
    } else if (early > 0.01 * peak) {
        r.fail("%s: output %.3g before the echo (echo %.3g at frame %ld)", what.c_str(), early, peak, where);
    } else {
        r.note("%s: echo %.3f at frame %ld = %.3f ms (expected from %.3f ms, %ld frames late)",
               what.c_str(), peak, where, where * 1000.0 / rate, echoMs, where - expected);
    }
}

void checkEchoPositions(Session& s, Report& r) {
    if (notLumdel(s, r)) return;
    const float rates[] = {44100.0f, 48000.0f, 88200.0f, 96000.0f, 192000.0f};
    for (bool dbl : precisions(s.facts)) {
        for (float rate : rates) {
            auto host = s.start(r, rate, 512);
            if (!host) return;
            expectEcho(*host, r, rate, 120.0, dbl,
                       std::string(precisionName(dbl)) + " " + std::to_string(int(rate)) + " Hz");
        }
    }
    // One instance through rate changes, with and without suspend, and tempo changes.
    auto host = s.start(r);
    if (!host) return;
    struct Change {
        float rate;
        bool suspend;
    };
    for (Change c : {Change{96000.0f, true}, Change{48000.0f, false}, Change{44100.0f, true}}) {
        if (c.suspend) host->suspend();
        host->sampleRate = c.rate;
        host->timeInfo.sampleRate = c.rate;
        host->dispatch(effSetSampleRate, 0, 0, nullptr, c.rate);
        host->resume();
        expectEcho(*host, r, c.rate, 120.0, false,
                   "after a change to " + std::to_string(int(c.rate)) + " Hz " +
                       (c.suspend ? "with" : "without") + " suspend");
    }
    for (double bpm : {90.0, 150.0}) {
        host->setTempo(bpm);
        process(*host, makeSilence(s.facts.numInputs, 44100), 512, false, s.facts.numOutputs);
        expectEcho(*host, r, 44100.0, bpm, false, "after a tempo change to " + std::to_string(int(bpm)) + " BPM");
    }
}

void byteSwapWord(std::vector<unsigned char>& c, size_t offset) {
    std::swap(c[offset], c[offset + 3]);
    std::swap(c[offset + 1], c[offset + 2]);
}

std::vector<unsigned char> byteSwapped(std::vector<unsigned char> c) {
    for (size_t off = 0; off < 32; off += 4) byteSwapWord(c, off);
    for (int k = 0; k < lumdel_id::kPresets; ++k)
        for (int j = 0; j < 60; ++j) byteSwapWord(c, 32 + 264 * k + 24 + 4 * j);
    for (int j = 0; j < 60; ++j) byteSwapWord(c, 16136 + 4 * j);
    return c;
}

void putWord(std::vector<unsigned char>& c, size_t offset, std::int32_t v) {
    std::memcpy(c.data() + offset, &v, sizeof v);
}

void checkChunkRules(Session& s, Report& r) {
    if (notLumdel(s, r)) return;
    auto host = s.start(r);
    if (!host) return;
    lumdel_id::selectPreset(*host, 5);
    randomiseParameters(*host, s.facts, s.rng);
    const auto base = getChunk(*host);
    if (base.size() != static_cast<size_t>(lumdel_id::kChunkSize)) {
        r.fail("chunk has %zu bytes, expected %d", base.size(), lumdel_id::kChunkSize);
        return;
    }
    struct Case {
        std::string what;
        std::vector<unsigned char> bytes;
        bool nullPointer;
        VstIntPtr answer;
    };
    std::vector<Case> cases;
    cases.push_back({"16375 bytes", {base.begin(), base.end() - 1}, false, -1});
    auto longer = base;
    longer.push_back(0);
    cases.push_back({"16377 bytes", longer, false, -1});
    cases.push_back({"null pointer", base, true, -1});
    cases.push_back({"empty", {}, false, -1});
    auto foreign = base;
    putWord(foreign, 4, vstFourCC('X', 'X', 'X', 'X'));
    cases.push_back({"foreign identifier", foreign, false, -1});
    auto count = base;
    putWord(count, 8, 60);
    cases.push_back({"preset count 60", count, false, -1});
    auto format = base;
    putWord(format, 0, 0x02000000);
    cases.push_back({"format word 0x02000000", format, false, 0});
    std::vector<unsigned char> garbage(base.size());
    for (auto& b : garbage) b = static_cast<unsigned char>(s.rng());
    cases.push_back({"garbage of the right size", garbage, false, -1});
    int bad = 0;
    for (const Case& c : cases) {
        std::vector<unsigned char> copy(c.bytes);
        VstIntPtr answer = host->dispatch(effSetChunk, 0, static_cast<VstIntPtr>(copy.size()),
                                          c.nullPointer || copy.empty() ? nullptr : copy.data());
        auto now = getChunk(*host);
        bool same = now == base;
        if (answer != c.answer || !same) {
            ++bad;
            r.fail("%s: answer %ld (expected %ld), state %s", c.what.c_str(), static_cast<long>(answer),
                   static_cast<long>(c.answer), same ? "unchanged" : "CHANGED");
            setChunk(*host, base);
        }
    }
    // Accepted: the same chunk written on a machine of the other byte order.
    VstIntPtr answer = -1;
    setChunk(*host, byteSwapped(base), &answer);
    if (answer != 0 || getChunk(*host) != base) {
        ++bad;
        r.fail("byte-reversed chunk: answer %ld, state %s", static_cast<long>(answer),
               getChunk(*host) == base ? "as the original" : "different from the original");
    }
    // A current index out of range loads the bank but keeps the current preset.
    auto other = base;
    for (size_t i = 32; i < other.size(); i += 4 * 7) other[i + 1] ^= 0x01;
    for (std::int32_t index : {61, -1}) {
        auto withIndex = other;
        putWord(withIndex, 12, index);
        setChunk(*host, base);
        setChunk(*host, withIndex, &answer);
        auto now = getChunk(*host);
        bool bankLoaded = std::equal(now.begin() + 32, now.end(), other.begin() + 32);
        bool currentKept = std::equal(now.begin() + 12, now.begin() + 16, base.begin() + 12);
        if (answer != 0 || !bankLoaded || !currentKept) {
            ++bad;
            r.fail("current index %d: answer %ld, bank %s, current preset %s", index,
                   static_cast<long>(answer), bankLoaded ? "loaded" : "NOT loaded",
                   currentKept ? "kept" : "CHANGED");
        }
    }
    setChunk(*host, base);
    if (!bad)
        r.note("%zu refused chunks (size, null, empty, identifier, count, format, garbage) left the "
               "state byte-identical with the right answers; byte-reversed chunk accepted as the "
               "original; out-of-range current index loads the bank only",
               cases.size());
}

void checkPresets(Session& s, Report& r) {
    if (notLumdel(s, r)) return;
    auto host = s.start(r);
    if (!host) return;
    const auto original = getChunk(*host);
    const int capSeconds = s.scale(3, 6);
    int longest = -1;
    long longestTail = -1;
    int neverSilent = 0, misnamed = 0;
    for (int k = 0; k < lumdel_id::kPresets; ++k) {
        char indexed[256] = {}, name[256] = {};
        host->dispatch(effGetProgramNameIndexed, k, 0, indexed);
        if (!lumdel_id::selectPreset(*host, k)) {
            r.fail("preset %d: selecting it through the chunk was refused", k);
            continue;
        }
        host->dispatch(effGetProgramName, 0, 0, name);
        if (std::strcmp(indexed, name) != 0 && ++misnamed <= 3)
            r.fail("preset %d: program name '%s', indexed name '%s'", k, name, indexed);
        host->suspend();
        host->resume();
        Signal in = makeNoise(s.rng, s.facts.numInputs, 22050, 0.5);
        Signal out = process(*host, in, 512, false, s.facts.numOutputs);
        Signal tail = process(*host, makeSilence(s.facts.numInputs, capSeconds * 44100), 512, false,
                              s.facts.numOutputs);
        Scan sc = scan(out, true), st = scan(tail, true);
        if (!sc.clean() || !st.clean() || sc.peak > 1000.0 || st.peak > 1000.0) {
            r.fail("preset %d '%s': %s; tail %s", k, indexed, sc.describe().c_str(), st.describe().c_str());
            continue;
        }
        long last = lastNonZero(tail);
        if (last >= static_cast<long>(tail[0].size()) - 44100) {
            ++neverSilent;
        } else if (last > longestTail) {
            longestTail = last;
            longest = k;
        }
        if (k == 0)
            r.note("tail of preset 0 '%s': %s", indexed,
                   last >= static_cast<long>(tail[0].size()) - 44100
                       ? "not silent within the cap"
                       : (std::to_string(last * 1000 / 44100) + " ms").c_str());
    }
    lumdel_id::selectPreset(*host, 0);
    auto back = getChunk(*host);
    if (misnamed > 3) r.fail("%d presets in all with a program name other than their indexed name", misnamed);
    if (back != original) r.fail("selecting all 61 presets and back to 0 changed the chunk");
    if (longest >= 0)
        r.note("longest tail that ends within %d s: preset %d, %ld ms; %d presets still sound after "
               "%d s (feedback tails)",
               capSeconds, longest, longestTail * 1000 / 44100, neverSilent, capSeconds - 1);
    if (!r.failed()) r.note("61 presets: names match, output finite and bounded, chunk restored afterwards");
}

}  // namespace

std::vector<Check> lumdelChecks() {
    return {
        {"lumdel.echo-positions", "[LMDL] default preset echo at every rate, after changes",
         checkEchoPositions},
        {"lumdel.chunk-rules", "[LMDL] chunk refusal rules, byte order, current index",
         checkChunkRules},
        {"lumdel.presets", "[LMDL] 61 factory presets: names, finite output, tails", checkPresets},
    };
}

}  // namespace lumdel::host::validate
