// The three binary images the preset system exchanges with files and the settings
// store: a preset (one record), a bank (61 records) and the MIDI settings (60
// controller assignments). Each starts with the plug-in identifier and a type byte, so
// the body is not 4-byte aligned. Images are written in this machine's byte order;
// readers accept either order and the older 48-parameter format ('LMDX').
//
// Everything here runs on the editor thread (or the constructing thread for the stored
// defaults), never on the audio thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumdel {

class PresetStore;
class SettingsStore;

constexpr std::size_t kImageHeaderSize = 5;
constexpr std::size_t kPresetImageSize = 269;
constexpr std::size_t kBankImageSize = 16109;
constexpr std::size_t kMidiImageSize = 245;
// Sizes of the older 48-parameter images, which are read but never written.
constexpr std::size_t kPredecessorPresetImageSize = 221;
constexpr std::size_t kPredecessorBankImageSize = 13181;
constexpr std::size_t kPredecessorMidiImageSize = 197;
constexpr int kPredecessorParams = 48;

constexpr std::uint8_t kPresetImageType = 0x21;
constexpr std::uint8_t kBankImageType = 0x37;
constexpr std::uint8_t kMidiImageType = 0x0B;

// 'LMDX': the identifier of the older format.
constexpr std::int32_t kPredecessorId = 0x4C4D4458;

enum class ImageKind { Preset, Bank, Midi };

// Full size of an image of the kind in the current format.
std::size_t imageSize(ImageKind kind);

// What the header of an image says, after the byte-order decision.
struct ImageFormat {
    bool valid = false;        // identifier known and type byte matching
    bool predecessor = false;  // 48-parameter records
    bool swapValues = false;   // body words are byte-reversed once when read
};

// Reads the identifier as a native word and compares it with pluginId and 'LMDX', each
// in both byte orders; then checks the type byte. reverseValues (the "endian-reversed"
// load) reverses every body word once more, so with both the value is used as stored.
ImageFormat decideFormat(const unsigned char* image, std::int32_t pluginId, ImageKind kind,
                         bool reverseValues);

// Fills the parameters 48 to 59 of a record whose first 48 values came from an older
// image, and remaps its LfoMode (2 steps there, 3 here), and with the LFO wave at its
// last step also the LFO's note denominator. The one place of that migration.
void convertPredecessorRecord(float (&values)[60]);

// A value read from an image that is not a finite number becomes the parameter's
// factory "Default" value, so nothing non-finite ever enters the store. (Assignment
// values go through sanitizeAssignmentValue: not finite or negative is no assignment.)
float sanitizedParameterValue(int index, float value);

// The preset strip of the editor window, as the loaders see it. The editor passes one
// while its window is open and none otherwise; a loader without one skips the controls.
class PresetStripView {
public:
    virtual ~PresetStripView() = default;
    // Preset menu: title of entry k (0..60), which entry is the current one, and the
    // title of the current entry.
    virtual void setMenuEntry(int k, const char* name) = 0;
    virtual void selectMenuEntry(int k) = 0;
    virtual void setCurrentMenuEntryTitle(const char* name) = 0;
    // Preset name field.
    virtual void showName(const char* name) = 0;
    // Redraws the whole editor frame (after a file load).
    virtual void redrawAll() = 0;
    // Shows a short text on the panel for a few seconds (what went wrong with a file
    // button when no error box can say it).
    virtual void showMessage(const char* /*text*/) {}
    // The host's X window, which file dialogs are kept above; 0 when there is none.
    virtual unsigned long dialogParentWindow() const { return 0; }
};

// The six image operations, in the editor's slot order. The editor overrides them
// (through PresetSystemEditorCore) and the file and settings code calls them. A load
// answers false when it ignored the image.
class PresetImageOperations {
public:
    virtual ~PresetImageOperations() = default;
    virtual bool loadBankImage(const unsigned char* image, bool reverseValues) = 0;
    virtual void makeBankImage(unsigned char* image) = 0;
    virtual bool loadPresetImage(const unsigned char* image, bool reverseValues) = 0;
    virtual void makePresetImage(unsigned char* image) = 0;
    virtual bool loadMidiImage(const unsigned char* image, bool reverseValues) = 0;
    virtual void makeMidiImage(unsigned char* image) = 0;
};

// The operations on a preset store. Every image buffer holds the full current size of its
// kind (a shorter file is padded with zero bytes before it gets here); a null image is
// ignored like an unknown one. view may be null.
void makePresetImage(PresetStore& store, unsigned char* image);
void makeBankImage(PresetStore& store, unsigned char* image);
void makeMidiImage(PresetStore& store, unsigned char* image);

// Loads into the current preset (name and values), renames it and applies it.
// Returns false when the image was ignored (nothing changed).
bool loadPresetImage(PresetStore& store, PresetStripView* view,
                     const unsigned char* image, bool reverseValues);
// Makes preset 0 current first, whatever the image holds; then, if the image is
// readable, replaces all 61 presets, updates menu and name field and applies preset 0.
bool loadBankImage(PresetStore& store, PresetStripView* view,
                   const unsigned char* image, bool reverseValues);
// Applies the assignment values (60, or 48 from an older image) through the store's
// owner's parameter path.
bool loadMidiImage(PresetStore& store, const unsigned char* image,
                   bool reverseValues);

// Shows name in the name field and as the title of the menu's current entry.
void presetNameChanged(PresetStripView* view, const char* name);
// presetNameChanged, then the store's setCurrentPresetName.
void renameCurrentPreset(PresetStore& store, PresetStripView* view,
                         const char* name);

// The stored value name of settings as an image of the kind, in a buffer of the kind's
// full size: taken only when it has exactly the full size of its kind or of the older
// format's, so a damaged value never half-replaces a bank; otherwise all zero (which
// every loader ignores). False when nothing usable was stored.
bool readStoredImage(const SettingsStore& settings, const char* name, ImageKind kind,
                     std::vector<unsigned char>& image);

}  // namespace lumdel
