// The per-user settings store: one file per value in $XDG_CONFIG_HOME/Orvtone/Lumdel/
// (~/.config/Orvtone/Lumdel/ when XDG_CONFIG_HOME is unset, empty or relative).
//
//   DefaultPreset, MemoA, MemoB   preset image, 269 bytes
//   DefaultBank                   bank image, 16109 bytes
//   DefaultMidi                   MIDI-settings image, 245 bytes
//   CurrDir, CurrBank,            remembered directory and file names: the bytes of
//   CurrPreset, CurrMidi          the string (UTF-8), no terminator, at most 256
//   Scale                         the editor's size as the user chose it: "auto", "1",
//                                 "1.5" or "2" (a string like the four above)
//
// Images are stored exactly as made, in this machine's byte order. Every write goes to
// a temporary file in the folder that is then renamed over the value, so a reader, or
// a second instance writing at the same moment, sees one complete value.
//
// The store trusts nothing it did not make:
// - the Lumdel folder and its Orvtone parent must be real folders (not links) owned by
//   this user; otherwise the store is not used at all (nothing read, nothing written)
//   and one line on stderr says so. Folders the store creates are mode 0700;
// - a value is read only from a regular file, never through a link; a link or any
//   other non-regular entry is a missing value that is never written through or
//   replaced, and so is a regular file without write permission;
// - reading never creates anything: only a write creates the folders.
// A folder that cannot be created or written skips the operation (false).
// Editor thread (and the thread that constructs the effect) only; never the audio
// thread.
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
    // Removes a stored value (a regular file only).
    bool erase(const char* name) const;

private:
    // The value folder, opened (and, with create, made) as described above; -1 when it
    // is missing or not to be used.
    int openFolder(bool create) const;

    std::string directory_;
};

}  // namespace lumdel
