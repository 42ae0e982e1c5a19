#include "AudioFile.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>

namespace lumdel::host {

namespace {
std::string lowerExtension(const std::string& path) {
    const auto dot = path.find_last_of('.');
    std::string ext = dot == std::string::npos ? "" : path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}
}  // namespace

bool readAudioFile(const std::string& path, AudioData& data, std::string& error) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) {
        error = path + ": " + sf_strerror(nullptr);
        return false;
    }
    if (info.channels < 1 || info.frames < 0 || info.samplerate < 1) {
        sf_close(file);
        error = path + ": no audio";
        return false;
    }
    std::vector<float> interleaved(static_cast<size_t>(info.frames) * info.channels);
    const sf_count_t got = sf_readf_float(file, interleaved.data(), info.frames);
    sf_close(file);
    data.sampleRate = info.samplerate;
    data.channels.assign(info.channels, std::vector<float>(static_cast<size_t>(got)));
    for (sf_count_t i = 0; i < got; ++i)
        for (int c = 0; c < info.channels; ++c)
            data.channels[c][i] = interleaved[static_cast<size_t>(i) * info.channels + c];
    return true;
}

bool writeAudioFile(const std::string& path, const AudioData& data, std::string& error) {
    const std::string ext = lowerExtension(path);
    SF_INFO info{};
    info.samplerate = data.sampleRate;
    info.channels = static_cast<int>(data.channels.size());
    if (ext == "flac")
        info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_24;
    else if (ext == "aif" || ext == "aiff")
        info.format = SF_FORMAT_AIFF | SF_FORMAT_PCM_24;
    else
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
    if (info.channels < 1) {
        error = path + ": no channels to write";
        return false;
    }
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) {
        error = path + ": " + sf_strerror(nullptr);
        return false;
    }
    // Clipping instead of wrapping for values beyond full scale.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    const int frames = data.frames();
    std::vector<float> interleaved(static_cast<size_t>(frames) * info.channels);
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < info.channels; ++c)
            interleaved[static_cast<size_t>(i) * info.channels + c] = data.channels[c][i];
    const sf_count_t put = sf_writef_float(file, interleaved.data(), frames);
    sf_close(file);
    if (put != frames) {
        error = path + ": write failed";
        return false;
    }
    return true;
}

}  // namespace lumdel::host
