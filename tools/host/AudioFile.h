// Audio files for the host tools and tests: WAV, FLAC or AIFF through libsndfile,
// deinterleaved into one float vector per channel at the file's own rate.
#pragma once

#include <string>
#include <vector>

namespace lumdel::host {

struct AudioData {
    int sampleRate = 44100;
    std::vector<std::vector<float>> channels;
    int frames() const { return channels.empty() ? 0 : static_cast<int>(channels[0].size()); }
};

// False (with error) when the file cannot be read.
bool readAudioFile(const std::string& path, AudioData& data, std::string& error);
// The format follows the extension: .flac, .aif/.aiff, else WAV; 24-bit PCM for WAV and
// AIFF, 24-bit FLAC. False (with error) when the file cannot be written.
bool writeAudioFile(const std::string& path, const AudioData& data, std::string& error);

}  // namespace lumdel::host
