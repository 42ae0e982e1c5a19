// Clicks the preset strip of the Lumdel instance inside a headless Ardour, as a user would
// in its editor, so that run.sh can see what Ardour makes of a load made in the editor.
//
// Preloaded into ardour7-lua (LD_PRELOAD). It notes the effect when Ardour calls the
// plug-in's entry point (dlsym is wrapped for that one library only). Ardour's Lua loads
// no C modules, so the script asks for the click through the one call into C it has at
// hand: os.getenv("LUMDEL_STRIP_NEXT") (getenv is wrapped for that one name). On the
// script's thread, the editor is opened offscreen through the plug-in's own request
// channel (as lumdel-host does) and the right half of the step switch is clicked: the
// next preset. The answer reads
//   opened=1 clicked=1 preset=<name of the current preset afterwards>
// Built by run.sh: c++ -std=c++17 -shared -fPIC -I<root> -I<root>/toolkit ... -ldl
#include <dlfcn.h>
#include <link.h>

#include <cstdio>
#include <cstring>

#include "shell/vst2.h"
#include "toolkit/AEffGUIEditor.h"

namespace {

using Entry = AEffect* (*)(audioMasterCallback);
using Dlsym = void* (*)(void*, const char*);
using Getenv = char* (*)(const char*);

Entry realEntry = nullptr;
AEffect* effect = nullptr;

AEffect* noteEffect(audioMasterCallback host) {
    AEffect* e = realEntry ? realEntry(host) : nullptr;
    if (e) effect = e;
    return e;
}

Dlsym realDlsym() {
    static Dlsym fn = [] {
        void* p = dlvsym(RTLD_NEXT, "dlsym", "GLIBC_2.34");
        if (!p) p = dlvsym(RTLD_NEXT, "dlsym", "GLIBC_2.2.5");
        return reinterpret_cast<Dlsym>(p);
    }();
    return fn;
}

bool isLumdel(void* handle) {
    if (handle == RTLD_DEFAULT || handle == RTLD_NEXT) return false;
    link_map* map = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || !map || !map->l_name) return false;
    const char* slash = std::strrchr(map->l_name, '/');
    return std::strcmp(slash ? slash + 1 : map->l_name, "Lumdel.so") == 0;
}

VstIntPtr request(VstIntPtr what, void* ptr) {
    return effect->dispatcher(effect, effVendorSpecific, vstFourCC('L', 'M', 'D', 'L'), what, ptr,
                              0.0f);
}

// The click; the answer in a static buffer.
const char* clickNextPreset() {
    namespace req = lumdel::editor_request;
    static char answer[128];
    if (!effect) return "no Lumdel instance was created";
    const bool opened = request(req::kOpenOffscreen, nullptr) == 1;
    req::MouseEvent down{0, kLButton, 368.0, 162.0, 0.0f};
    req::MouseEvent up{1, 0, 368.0, 162.0, 0.0f};
    const bool clicked =
        opened && request(req::kMouse, &down) > 0 && request(req::kMouse, &up) > 0;
    char name[64] = {};
    effect->dispatcher(effect, effGetProgramName, 0, 0, name, 0.0f);
    effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0.0f);
    std::snprintf(answer, sizeof answer, "opened=%d clicked=%d preset=%s", opened, clicked, name);
    return answer;
}

}  // namespace

extern "C" void* dlsym(void* handle, const char* symbol) {
    Dlsym real = realDlsym();
    void* p = real ? real(handle, symbol) : nullptr;
    if (p && (!std::strcmp(symbol, "VSTPluginMain") || !std::strcmp(symbol, "main")) &&
        isLumdel(handle)) {
        realEntry = reinterpret_cast<Entry>(p);
        return reinterpret_cast<void*>(&noteEffect);
    }
    return p;
}

extern "C" char* getenv(const char* name) {
    static Getenv real = reinterpret_cast<Getenv>(realDlsym()(RTLD_NEXT, "getenv"));
    if (std::strcmp(name, "LUMDEL_STRIP_NEXT") == 0)
        return const_cast<char*>(clickNextPreset());
    return real ? real(name) : nullptr;
}
