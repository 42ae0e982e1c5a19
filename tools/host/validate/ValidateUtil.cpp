#include "ValidateUtil.h"

#include "tools/host/Vst2Instance.h"

#include <X11/Xlib.h>

namespace lumdel::host::validate {

std::vector<unsigned char> getChunk(Host& host) {
    void* data = nullptr;
    VstIntPtr size = host.dispatch(effGetChunk, 0, 0, &data);
    if (!data || size <= 0) return {};
    auto* p = static_cast<unsigned char*>(data);
    return std::vector<unsigned char>(p, p + size);
}

bool setChunk(Host& host, const std::vector<unsigned char>& bytes, VstIntPtr* result) {
    std::vector<unsigned char> copy(bytes);  // the host keeps its own bytes
    VstIntPtr r = host.dispatch(effSetChunk, 0, static_cast<VstIntPtr>(copy.size()),
                                copy.empty() ? nullptr : copy.data());
    if (result) *result = r;
    return true;
}

std::vector<unsigned char> stateBytes(Host& host, const PluginFacts& facts) {
    if (facts.hasChunks()) return getChunk(host);
    std::vector<unsigned char> bytes(facts.numParams * sizeof(float));
    for (int i = 0; i < facts.numParams; ++i) {
        float v = host.getParameter(i);
        std::memcpy(bytes.data() + i * sizeof(float), &v, sizeof v);
    }
    return bytes;
}

void randomiseParameters(Host& host, const PluginFacts& facts, std::mt19937_64& rng) {
    std::uniform_real_distribution<float> d(0.0f, 1.0f);
    for (int i = 0; i < facts.numParams; ++i) host.setParameter(i, d(rng));
}

std::vector<unsigned char> stateBytes(PluginInstance& plugin, const PluginFacts& facts) {
    if (facts.hasChunks()) return plugin.state();
    std::vector<unsigned char> bytes(facts.numParams * sizeof(float));
    for (int i = 0; i < facts.numParams; ++i) {
        float v = plugin.parameter(i);
        std::memcpy(bytes.data() + i * sizeof(float), &v, sizeof v);
    }
    return bytes;
}

void randomiseParameters(PluginInstance& plugin, const PluginFacts& facts, std::mt19937_64& rng) {
    std::uniform_real_distribution<float> d(0.0f, 1.0f);
    for (int i = 0; i < facts.numParams; ++i) plugin.setParameter(i, d(rng));
}

void restoreState(PluginInstance& plugin, const PluginFacts& facts,
                  const std::vector<unsigned char>& bytes) {
    if (facts.hasChunks()) {
        plugin.setState(bytes);
        return;
    }
    for (int p = 0; p < facts.numParams && (p + 1) * sizeof(float) <= bytes.size(); ++p) {
        float v;
        std::memcpy(&v, bytes.data() + p * sizeof(float), sizeof v);
        plugin.setParameter(p, v);
    }
}

bool resume(PluginInstance& plugin) {
    if (plugin.format() == Format::Vst2) {
        static_cast<Vst2Instance&>(plugin).host().resume();
        return true;
    }
    std::string error;
    return plugin.start(error);
}

namespace lumdel_id {
bool selectPreset(Host& host, int preset) {
    auto chunk = getChunk(host);
    if (chunk.size() != static_cast<size_t>(kChunkSize)) return false;
    std::int32_t index = preset;
    std::memcpy(chunk.data() + kCurrentOffset, &index, sizeof index);
    VstIntPtr result = -1;
    setChunk(host, chunk, &result);
    return result == 0;
}
}  // namespace lumdel_id

ParentWindow::ParentWindow() {
    Display* d = XOpenDisplay(nullptr);
    if (!d) return;
    display_ = d;
    window_ = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1000, 400, 0, 0, 0);
    XMapWindow(d, window_);
    XSync(d, False);
}

ParentWindow::~ParentWindow() {
    auto* d = static_cast<Display*>(display_);
    if (!d) return;
    if (window_) XDestroyWindow(d, window_);
    XCloseDisplay(d);
}

void ParentWindow::pump() {
    auto* d = static_cast<Display*>(display_);
    if (!d) return;
    while (XPending(d)) {
        XEvent e;
        XNextEvent(d, &e);
    }
}

}  // namespace lumdel::host::validate
