// The size of the editor as the user chooses it: a small menu that a right click on the
// strip's logo opens, and the choice kept in the settings store as "Scale" ("auto", "1",
// "1.5" or "2"). The logo is also where the strip's message box shows; a right click
// there first takes the box away (its message has been seen), so the menu never opens
// over a message and the box never covers the menu.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "toolkit/vstgui.h"

namespace lumdel {

class SettingsStore;

namespace scale_choice {
// The value name in the settings store.
constexpr const char* kValueName = "Scale";
// Menu entries, in order: the desktop's size, then 100 %, 150 % and 200 %.
constexpr int kAutomatic = 0;
constexpr int kNumEntries = 4;
const char* entryTitle(int entry);
// The scale of an entry (0 for the automatic one).
double scaleOfEntry(int entry);
// The entry that names a scale.
int entryOfScale(double scale);

// A scale written as "1", "1.5" or "2" (any number goes to the nearest of them); 0 for
// "auto", for an empty text and for text that is no number.
double parseScale(const std::string& text);
// The stored choice: its entry, kAutomatic when nothing (or nothing sensible) is stored.
int storedEntry(const SettingsStore& store);
// Stores the entry's text ("auto" for the automatic one); false when it could not.
bool storeEntry(const SettingsStore& store, int entry);

// The scale the editor starts with: LUMDEL_SCALE when it holds a number, else the
// stored choice, else the desktop's (asked through desktopScale only then).
double startScale(const SettingsStore& store, double (*desktopScale)());
}  // namespace scale_choice

}  // namespace lumdel

// The menu over the logo: opens on a right click only (a left click passes through to
// what lies beneath); shows a tick at the current entry.
class CScaleMenu : public COptionMenu {
public:
    // beforeOpen runs on the right click, before the list opens (the strip hides its
    // message box there).
    CScaleMenu(const CRect& size, CControlListener* listener, std::int32_t tag,
               std::function<void()> beforeOpen);
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;

private:
    std::function<void()> beforeOpen_;
};
