#include "ScaleMenu.h"

#include <cmath>
#include <cstdlib>

#include "core/SettingsStore.h"

namespace lumdel::scale_choice {

namespace {
const char* const kTitles[kNumEntries] = {"Size: as the desktop", "Size 100 %", "Size 150 %",
                                          "Size 200 %"};
const double kScales[kNumEntries] = {0.0, 1.0, 1.5, 2.0};
const char* const kTexts[kNumEntries] = {"auto", "1", "1.5", "2"};
}  // namespace

const char* entryTitle(int entry) {
    return entry >= 0 && entry < kNumEntries ? kTitles[entry] : "";
}

double scaleOfEntry(int entry) { return entry >= 0 && entry < kNumEntries ? kScales[entry] : 0.0; }

int entryOfScale(double scale) {
    if (!(scale > 0)) return kAutomatic;
    const double s = nearestScale(scale);
    for (int e = 1; e < kNumEntries; ++e)
        if (kScales[e] == s) return e;
    return kAutomatic;
}

double parseScale(const std::string& text) {
    if (text.empty() || text == "auto") return 0.0;
    char* rest = nullptr;
    const double v = std::strtod(text.c_str(), &rest);
    if (rest == text.c_str() || !std::isfinite(v) || v <= 0) return 0.0;
    return nearestScale(v);
}

int storedEntry(const SettingsStore& store) {
    std::string text;
    if (!store.readString(kValueName, text)) return kAutomatic;
    return entryOfScale(parseScale(text));
}

bool storeEntry(const SettingsStore& store, int entry) {
    if (entry < 0 || entry >= kNumEntries) return false;
    return store.writeString(kValueName, kTexts[entry]);
}

double startScale(const SettingsStore& store, double (*desktopScale)()) {
    if (const char* forced = std::getenv("LUMDEL_SCALE")) {
        const double s = parseScale(forced);
        if (s > 0) return s;
    }
    const int entry = storedEntry(store);
    if (entry != kAutomatic) return scaleOfEntry(entry);
    return desktopScale ? nearestScale(desktopScale()) : 1.0;
}

}  // namespace lumdel::scale_choice

CScaleMenu::CScaleMenu(const CRect& size, CControlListener* listener, std::int32_t tag,
                       std::function<void()> beforeOpen)
    // Draws nothing over the logo; the list marks the current entry.
    : COptionMenu(size, listener, tag, nullptr, nullptr, kNoDrawStyle | kCheckStyle),
      beforeOpen_(std::move(beforeOpen)) {
    setTransparency(true);
    for (int e = 0; e < lumdel::scale_choice::kNumEntries; ++e)
        addEntry(lumdel::scale_choice::entryTitle(e));
}

CMouseEventResult CScaleMenu::onMouseDown(CPoint& /*where*/, const CButtonState& buttons) {
    if (!buttons.isRightButton()) return kMouseEventNotHandled;
    if (beforeOpen_) beforeOpen_();
    return openPopup() ? kMouseDownEventHandledButDontNeedMovedOrUpEvents : kMouseEventNotHandled;
}
