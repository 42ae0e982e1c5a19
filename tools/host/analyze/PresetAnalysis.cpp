#include "PresetAnalysis.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <thread>

#include "tools/host/Host.h"
#include "tools/host/Render.h"

namespace lumdel::analyze {

namespace {

constexpr double kProbeHz = 441.0;

struct Player {
    host::PluginLibrary& library;
    int index;
    const std::vector<host::Setting>& settings;
    std::string& error;

    // Renders `input` on both channels; the key is the input itself unless `unkeyed`;
    // `muted` closes both line inputs, leaving the dry part of the output; `dryReverb`
    // switches the reverb off, leaving the echoes alone.
    bool play(const Mono& input, Stereo& out, bool muted = false, bool unkeyed = false,
              bool dryReverb = false) {
        host::RenderOptions options;
        options.preset = std::to_string(index);
        options.tempo = kTempo;
        options.settings = settings;
        if (dryReverb) options.settings.push_back({"RvbOn", 0.0f});
        if (muted) {
            options.settings.push_back({"MuteInL", 1.0f});
            options.settings.push_back({"MuteInR", 1.0f});
        }
        host::AudioData in, rendered;
        in.sampleRate = kRate;
        in.channels.assign(1, input);
        if (!host::render(library, in, unkeyed ? nullptr : &in, options, rendered, error))
            return false;
        out.left = std::move(rendered.channels[0]);
        out.right = std::move(rendered.channels[1]);
        return true;
    }

    // The output and the wet signal of `input`.
    bool playWet(const Mono& input, Stereo& out, Stereo& wet) {
        Stereo dry;
        if (!play(input, out) || !play(input, dry, true)) return false;
        wet = difference(out, dry);
        return true;
    }
};

double peakOf(const Stereo& s) {
    float peak = 0.0f;
    for (long i = 0; i < s.frames(); ++i)
        peak = std::max({peak, std::fabs(s.left[i]), std::fabs(s.right[i])});
    return 20.0 * std::log10(std::max(peak, 1e-10f));
}

double energyDb(const Stereo& s, double fromSeconds, double toSeconds) {
    double sum = 0.0;
    for (long i = static_cast<long>(fromSeconds * kRate); i < static_cast<long>(toSeconds * kRate) &&
                                                           i < s.frames();
         ++i)
        sum += static_cast<double>(s.left[i]) * s.left[i] + static_cast<double>(s.right[i]) * s.right[i];
    return 10.0 * std::log10(sum + 1e-20);
}

// Echo times and pattern without the reverb, whose onsets would count as repeats; the
// decay with it.
bool clickFigures(Player& p, Figures& f) {
    const int lead = kRate / 10;
    Stereo out, echoesOnly, dry;
    if (!p.play(click(lead, 12 * kRate), out) ||
        !p.play(click(lead, 8 * kRate), echoesOnly, false, false, true) ||
        !p.play(click(lead, kRate / 2), dry, true))
        return false;
    f.echoes = echoes(difference(echoesOnly, dry), lead);
    f.t60 = decayTime(difference(out, dry), lead);
    return true;
}

bool musicFigures(Player& p, Figures& f) {
    const Mono inputs[3] = {drumLoop(), sawPad(), pluckPhrase()};
    f.peakDbfs = -200.0;
    f.meanChange = 0.0;
    for (int i = 0; i < 3; ++i) {
        Stereo out, wet;
        if (i < 2 ? !p.play(inputs[i], out) : !p.playWet(inputs[i], out, wet)) return false;
        f.change[i] = loudness(out, 0, out.frames()) - loudness(inputs[i]);
        f.meanChange += f.change[i] / 3.0;
        f.peakDbfs = std::max(f.peakDbfs, peakOf(out));
        if (i < 2) continue;
        const long n = wet.frames();
        f.wetLevel = loudness(wet, 0, n) - loudness(inputs[i]);
        f.correlation = correlation(wet, 0, n);
        f.monoLoss = monoLoss(wet, 0, n);
        const Stereo dry{inputs[i], inputs[i]};
        const double c = centroid(powerSpectrum(wet, 0, 1 << 17));
        const double c0 = centroid(powerSpectrum(dry, 0, 1 << 17));
        f.brightness = c > 0.0 && c0 > 0.0 ? std::log2(c / c0) : 0.0;
    }
    return true;
}

bool sineFigures(Player& p, Figures& f) {
    const double levels[2] = {-18.0, -6.0};
    const int frames = 3 * kRate, window = 1 << 15;
    for (int l = 0; l < 2; ++l) {
        Stereo out, wet;
        if (!p.playWet(sine(kProbeHz, levels[l], frames), out, wet)) return false;
        const std::vector<double> spectrum = powerSpectrum(wet, frames - window, window);
        const double fundamental = bandPower(spectrum, 0.92 * kProbeHz, 1.08 * kProbeHz);
        double harmonics = 0.0;
        for (int k = 2; k <= 10 && k * kProbeHz < 20000.0; ++k)
            harmonics += bandPower(spectrum, 0.92 * k * kProbeHz, 1.08 * k * kProbeHz);
        f.thd[l] = fundamental > 1e-12 ? 100.0 * std::sqrt(harmonics / fundamental) : 0.0;
        if (l == 0) {
            const double onPitch = bandPower(spectrum, 0.99 * kProbeHz, 1.01 * kProbeHz);
            f.spread = fundamental > 1e-12
                           ? 100.0 * std::sqrt(std::max(0.0, fundamental - onPitch) / fundamental)
                           : 0.0;
        }
    }
    return true;
}

bool duckFigures(Player& p, Figures& f) {
    {
        host::Host probe;
        if (!probe.load(p.library) || !host::selectPreset(probe, p.index, p.error) ||
            !host::applySettings(probe, p.settings, p.error))
            return false;
        const int ducking = host::findParameter(probe, "Ducking");
        f.ducked = ducking < 0 || probe.getParameter(ducking) < 0.999f;
    }
    if (!f.ducked) return true;
    const Mono steps = steppedToneNoise();
    Stereo keyed, unkeyed, dry;
    if (!p.play(steps, keyed) || !p.play(steps, unkeyed, false, true) || !p.play(steps, dry, true))
        return false;
    const Stereo a = difference(keyed, dry), b = difference(unkeyed, dry);
    f.duckLoud = energyDb(a, 2.5, 3.0) - energyDb(b, 2.5, 3.0);
    f.duckGap = energyDb(a, 3.25, 4.0) - energyDb(b, 3.25, 4.0);
    return true;
}

}  // namespace

bool analyzePreset(host::PluginLibrary& library, int index,
                   const std::vector<host::Setting>& settings, Figures& figures,
                   std::string& error) {
    figures = Figures{};
    figures.index = index;
    {
        host::Host probe;
        if (!probe.load(library)) {
            error = probe.error();
            return false;
        }
        char name[256] = {};
        if (!probe.dispatch(effGetProgramNameIndexed, index, -1, name)) {
            error = "no preset " + std::to_string(index);
            return false;
        }
        figures.name = name;
    }
    Player player{library, index, settings, error};
    return clickFigures(player, figures) && musicFigures(player, figures) &&
           sineFigures(player, figures) && duckFigures(player, figures);
}

bool analyzePresets(host::PluginLibrary& library, const std::vector<int>& indices,
                    const std::vector<host::Setting>& settings, std::vector<Figures>& figures,
                    std::string& error) {
    figures.assign(indices.size(), Figures{});
    std::string errors[2];
    bool ok[2] = {true, true};
    auto work = [&](int worker) {
        for (size_t i = worker; i < indices.size() && ok[worker]; i += 2)
            ok[worker] = analyzePreset(library, indices[i], settings, figures[i], errors[worker]);
    };
    std::thread second(work, 1);
    work(0);
    second.join();
    error = !ok[0] ? errors[0] : errors[1];
    return ok[0] && ok[1];
}

std::vector<double> features(const Figures& f) {
    auto logTime = [](double ms) { return std::log2(std::max(ms, 1.0) / 1000.0); };
    return {logTime(f.echoes.firstMs[0]),
            logTime(f.echoes.firstMs[1]),
            std::log2(std::max(f.t60, 0.05)),
            f.brightness,
            f.echoes.alternates() ? 1.0 : 0.0,
            f.wetLevel / 6.0,
            f.correlation,
            std::log10(std::max(f.thd[0], 0.3)),
            f.duckLoud / 6.0,
            std::log10(std::max(f.spread, 1.0))};
}

double featureDistance(const Figures& a, const Figures& b) {
    const std::vector<double> x = features(a), y = features(b);
    double sum = 0.0;
    for (size_t i = 0; i < x.size(); ++i) sum += (x[i] - y[i]) * (x[i] - y[i]);
    return std::sqrt(sum);
}

std::string tableHeader() {
    return " #  preset                 first L/R ms  pattern   T60 s  LU drum  pad pluck  mean"
           "  peak  wet LU  corr  mono dB  THD-18 THD-6 %  spread  bright  duck loud/gap dB\n";
}

std::string tableRow(const Figures& f) {
    char duck[32] = "-";
    if (f.ducked) std::snprintf(duck, sizeof duck, "%5.1f / %5.1f", f.duckLoud, f.duckGap);
    char line[400];
    std::snprintf(line, sizeof line,
                  "%2d  %-22s %6.0f %6.0f  %-8s %6.2f  %6.1f %5.1f %5.1f %5.1f %5.1f  %6.1f %5.2f"
                  "  %7.1f  %6.1f %6.1f  %6.1f  %6.2f  %s\n",
                  f.index, f.name.c_str(), f.echoes.firstMs[0], f.echoes.firstMs[1],
                  f.echoes.pattern.empty() ? "-" : f.echoes.pattern.c_str(), f.t60, f.change[0],
                  f.change[1], f.change[2], f.meanChange, f.peakDbfs, f.wetLevel, f.correlation,
                  f.monoLoss, f.thd[0], f.thd[1], f.spread, f.brightness, duck);
    return line;
}

}  // namespace lumdel::analyze
