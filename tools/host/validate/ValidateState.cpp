// State: the chunk (or, without chunks, the parameter values) round-trips byte for
// byte, restores a fresh instance to identical audio, bad chunks change nothing and
// crash nothing, and a program selection after a chunk does not clobber it.
#include <cmath>
#include <cstring>

#include "Validate.h"
#include "ValidateUtil.h"

namespace lumdel::host::validate {

namespace {

long firstDifference(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
    if (a.size() != b.size()) return static_cast<long>(std::min(a.size(), b.size()));
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return static_cast<long>(i);
    return -1;
}

void checkRoundTrip(Session& s, Report& r) {
    const char* kind = s.facts.hasChunks() ? "chunk" : "parameter values (no chunks)";
    const int rounds = s.scale(3, 20);
    auto host = s.startInstance(r);
    if (!host) return;
    for (int round = 0; round < rounds; ++round) {
        auto before = stateBytes(*host, s.facts);
        if (before.empty()) {
            r.fail("the plug-in gave no state although it has one (the VST 2.4 chunk flag)");
            return;
        }
        randomiseParameters(*host, s.facts, s.rng);
        restoreState(*host, s.facts, before);
        auto after = stateBytes(*host, s.facts);
        long diff = firstDifference(before, after);
        if (diff >= 0) {
            r.fail("round %d: %s get -> randomise -> set -> get differs at byte %ld of %zu", round,
                   kind, diff, before.size());
            return;
        }
        randomiseParameters(*host, s.facts, s.rng);
        auto random = stateBytes(*host, s.facts);
        auto fresh = s.startInstance(r);
        if (!fresh) return;
        restoreState(*fresh, s.facts, random);
        auto copied = stateBytes(*fresh, s.facts);
        diff = firstDifference(random, copied);
        if (diff >= 0) {
            r.fail("round %d: a fresh instance given the %s returns it different at byte %ld", round,
                   kind, diff);
            return;
        }
    }
    r.note("%d rounds: %s (%zu bytes) byte-identical after randomise and set, and in a fresh "
           "instance",
           rounds, kind, stateBytes(*host, s.facts).size());
}

void checkRestoresAudio(Session& s, Report& r) {
    const int rounds = s.scale(2, 8);
    for (int round = 0; round < rounds; ++round) {
        auto a = s.startInstance(r);
        if (!a) return;
        randomiseParameters(*a, s.facts, s.rng);
        auto state = stateBytes(*a, s.facts);
        auto b = s.startInstance(r);
        if (!b) return;
        restoreState(*b, s.facts, state);
        std::string error;
        for (auto* plugin : {a.get(), b.get()}) {
            plugin->stop();
            if (!plugin->start(error)) return r.fail("round %d: no restart: %s", round, error.c_str());
        }
        Signal in = makeNoise(s.rng, s.facts.numInputs, 44100, 0.5);
        long where = -1;
        double d = maxDifference(process(*a, in, 512, false, s.facts.numOutputs),
                                 process(*b, in, 512, false, s.facts.numOutputs), &where);
        if (d != 0.0) {
            r.fail("round %d: a fresh instance restored from the state differs by up to %.3g (frame "
                   "%ld)",
                   round, d, where);
            return;
        }
    }
    r.note("%d random states: the restored fresh instance gives bit-identical audio", rounds);
}

void checkBadChunks(Session& s, Report& r) {
    if (!s.facts.hasChunks()) {
        r.skip("the plug-in keeps no chunk");
        return;
    }
    auto host = s.start(r);
    if (!host) return;
    randomiseParameters(*host, s.facts, s.rng);
    const auto good = getChunk(*host);
    std::vector<std::pair<std::string, std::vector<unsigned char>>> bad;
    bad.push_back({"empty", {}});
    bad.push_back({"short (1 byte)", {good.begin(), good.begin() + std::min<size_t>(1, good.size())}});
    bad.push_back({"short (half)", {good.begin(), good.begin() + good.size() / 2}});
    bad.push_back({"short (one byte less)", {good.begin(), good.end() - (good.empty() ? 0 : 1)}});
    auto longer = good;
    longer.push_back(0);
    bad.push_back({"long (one byte more)", longer});
    longer.resize(good.size() + 4096, 0xA5);
    bad.push_back({"long (4 KB more)", longer});
    std::vector<unsigned char> garbage(good.size());
    for (auto& b : garbage) b = static_cast<unsigned char>(s.rng());
    bad.push_back({"garbage", garbage});
    auto foreign = good;
    for (auto& b : foreign) b ^= 0x5A;
    bad.push_back({"every byte flipped", foreign});
    Signal in = makeNoise(s.rng, s.facts.numInputs, 4096, 0.5);
    int changed = 0;
    for (const auto& [what, bytes] : bad) {
        VstIntPtr result = 0;
        if (bytes.empty()) {
            host->dispatch(effSetChunk, 0, 0, nullptr);  // null pointer, size 0
            std::vector<unsigned char> one(1);
            host->dispatch(effSetChunk, 0, 0, one.data());  // valid pointer, size 0
        } else {
            setChunk(*host, bytes, &result);
        }
        for (int p = 0; p < s.facts.numParams; ++p) {
            float v = host->getParameter(p);
            if (!(v >= 0.0f && v <= 1.0f)) {
                r.fail("%s chunk: parameter %d reads %g", what.c_str(), p, double(v));
                break;
            }
        }
        Scan sc = scan(process(*host, in, 512, false, s.facts.numOutputs), true);
        if (!sc.clean() || sc.peak > 1000.0) r.fail("%s chunk: output %s", what.c_str(), sc.describe().c_str());
        auto now = getChunk(*host);
        if (now != good) {
            ++changed;
            r.note("%s chunk: accepted or partly applied (answer %ld); state changed", what.c_str(),
                   static_cast<long>(result));
            setChunk(*host, good);
        }
    }
    if (!r.failed())
        r.note("%zu bad chunks (empty, short, long, garbage, flipped): no crash, finite output, "
               "parameters in range; %d of them changed the state",
               bad.size(), changed);
}

void checkProgramAfterChunk(Session& s, Report& r) {
    if (s.facts.hasChunks()) {
        auto a = s.start(r);
        if (!a) return;
        randomiseParameters(*a, s.facts, s.rng);
        auto chunk = getChunk(*a);
        auto b = s.load(r);
        if (!b) return;
        setChunk(*b, chunk);
        VstIntPtr program = b->dispatch(effGetProgram);
        b->dispatch(effSetProgram, 0, program);  // hosts do this after restoring a chunk
        b->start();
        auto after = getChunk(*b);
        long diff = firstDifference(chunk, after);
        if (diff >= 0)
            r.fail("effSetProgram %ld after the chunk changed it (first difference at byte %ld)",
                   static_cast<long>(program), diff);
        else
            r.note("effSetProgram %ld and resume after a chunk leave the chunk byte-identical",
                   static_cast<long>(program));
    }
    if (s.facts.numPrograms > 1) {
        auto host = s.start(r);
        if (!host) return;
        auto original = stateBytes(*host, s.facts);
        VstIntPtr current = host->dispatch(effGetProgram);
        int mismatches = 0;
        for (int k = 0; k < s.facts.numPrograms; ++k) {
            char indexed[256] = {}, name[256] = {};
            host->dispatch(effGetProgramNameIndexed, k, 0, indexed);
            host->dispatch(effSetProgram, 0, k);
            host->dispatch(effGetProgramName, 0, 0, name);
            if (host->dispatch(effGetProgram) != k || std::strcmp(indexed, name) != 0)
                if (++mismatches <= 3)
                    r.fail("program %d: effGetProgram %ld, name '%s', indexed name '%s'", k,
                           static_cast<long>(host->dispatch(effGetProgram)), name, indexed);
        }
        host->dispatch(effSetProgram, 0, current);
        if (stateBytes(*host, s.facts) != original)
            r.fail("selecting every program and back to %ld does not restore the state",
                   static_cast<long>(current));
        else if (!mismatches)
            r.note("%d programs selected and back: names match, state restored", s.facts.numPrograms);
    } else if (!s.facts.hasChunks()) {
        r.skip("one program and no chunk");
    }
}

}  // namespace

std::vector<Check> stateChecks() {
    return {
        {"state.round-trip", "get -> randomise -> set -> get is byte-identical", checkRoundTrip,
         Reach::AnyFormat},
        {"state.restores-audio", "the state restores a fresh instance to identical audio",
         checkRestoresAudio, Reach::AnyFormat},
        {"state.bad-chunks", "empty, short, long and garbage chunks", checkBadChunks},
        {"state.programs", "program selection after a chunk; programs and back",
         checkProgramAfterChunk},
    };
}

}  // namespace lumdel::host::validate
