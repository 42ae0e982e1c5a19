// The per-user settings store: one file per value in $XDG_CONFIG_HOME/Orvtone/Lumdel/
// (~/.config/Orvtone/Lumdel/ when XDG_CONFIG_HOME is unset, empty or relative).
//
//   DefaultPreset, MemoA, MemoB   preset image, 269 bytes
//   DefaultBank                   bank image, 16109 bytes
//   DefaultMidi                   MIDI-settings image, 245 bytes
//   CurrDir, CurrBank,            remembered directory and file names: the bytes of
//   CurrPreset, CurrMidi          the string (UTF-8), no terminator, at most 256
//
// Images are stored exactly as made, in this machine's byte order. Every write goes to
// a temporary file in the same directory that is then renamed over the value, so a
// reader, or a second instance writing at the same moment, sees one complete value.
// A directory that cannot be created or written skips the operation; a value that
// cannot be read is missing. Nothing is reported. Editor thread (and the thread that
// constructs the effect) only; never the audio thread.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace lumdel {

class SettingsStore {
public:
    static constexpr std::size_t kMaxStringLength = 256;

    // The store of the current user, from the environment.
    SettingsStore();
    // A store in the given directory (the one holding the value files).
    explicit SettingsStore(std::string directory);

    // The directory the environment names: $XDG_CONFIG_HOME/Orvtone/Lumdel/ or
    // $HOME/.config/Orvtone/Lumdel/; empty when neither is usable.
    static std::string defaultDirectory();

    const std::string& directory() const { return directory_; }

    // True and the value's bytes when it exists and is at most maxSize bytes long.
    bool readBinary(const char* name, std::vector<unsigned char>& data, std::size_t maxSize) const;
    bool writeBinary(const char* name, const unsigned char* data, std::size_t size) const;
    // A string value: its bytes up to the first NUL. A stored string longer than 256
    // bytes is treated as missing, like a value that does not fit its buffer: cutting
    // a path short would name some other place.
    bool readString(const char* name, std::string& value) const;
    // Strings longer than 256 bytes are not written (the editor never holds one).
    bool writeString(const char* name, const std::string& value) const;
    bool erase(const char* name) const;

private:
    std::string pathOf(const char* name) const;
    bool ensureDirectory() const;

    std::string directory_;
};

}  // namespace lumdel
