// Shared pieces of the toolkit tests: a listener that records, an editor stand-in,
// film strips made on the spot, pixel access.
#pragma once

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "toolkit/vstgui.h"

namespace lumdel::test {

struct RecordingListener : CControlListener {
    struct Event {
        char kind;  // 'v' valueChanged, 'b' begin, 'e' end
        std::int32_t tag;
        float value;
    };
    std::vector<Event> events;
    std::function<void(CControl*)> hook;  // runs inside valueChanged
    void valueChanged(CControl* c) override {
        events.push_back({'v', c->getTag(), c->getValue()});
        if (hook) hook(c);
    }
    void controlBeginEdit(CControl* c) override { events.push_back({'b', c->getTag(), c->getValue()}); }
    void controlEndEdit(CControl* c) override { events.push_back({'e', c->getTag(), c->getValue()}); }
    std::string kinds() const {
        std::string s;
        for (const Event& e : events) s += e.kind;
        return s;
    }
    std::vector<float> values() const {
        std::vector<float> v;
        for (const Event& e : events)
            if (e.kind == 'v') v.push_back(e.value);
        return v;
    }
    void clear() { events.clear(); }
};

struct StubEditor : VSTGUIEditorInterface {
    std::int32_t mode = kLinearMode;
    std::vector<std::pair<char, std::int32_t>> edits;
    std::int32_t getKnobMode() const override { return mode; }
    void beginEdit(std::int32_t index) override { edits.push_back({'b', index}); }
    void endEdit(std::int32_t index) override { edits.push_back({'e', index}); }
};

// A film strip of `frames` frames of w x h, frame k filled with colourOf(k).
inline std::uint32_t colourOf(int k) {
    return 0xFF000000u | static_cast<std::uint32_t>((k * 37 + 20) % 256) << 16 |
           static_cast<std::uint32_t>((k * 91 + 5) % 256) << 8 |
           static_cast<std::uint32_t>((k * 13 + 200) % 256);
}

inline CBitmap* makeStrip(int frames, int w, int h) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h * frames);
    cairo_t* cr = cairo_create(s);
    for (int k = 0; k < frames; ++k) {
        const std::uint32_t c = colourOf(k);
        cairo_set_source_rgb(cr, ((c >> 16) & 255) / 255.0, ((c >> 8) & 255) / 255.0, (c & 255) / 255.0);
        cairo_rectangle(cr, 0, k * h, w, h);
        cairo_fill(cr);
    }
    cairo_destroy(cr);
    auto* b = new CBitmap(s);
    cairo_surface_destroy(s);
    return b;
}

inline std::uint32_t pixel(cairo_surface_t* s, int x, int y) {
    cairo_surface_flush(s);
    const unsigned char* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    return *reinterpret_cast<const std::uint32_t*>(data + y * stride + x * 4);
}

// An offscreen frame closed at the end of the test.
struct TestFrame {
    explicit TestFrame(CCoord w = 200, CCoord h = 100, VSTGUIEditorInterface* editor = nullptr)
        : frame(new CFrame(CRect(0, 0, w, h), nullptr, editor)) {}
    ~TestFrame() { frame->close(); }
    CFrame* operator->() const { return frame; }
    CFrame* frame;
};

inline CMouseEventResult down(CFrame* f, CCoord x, CCoord y, std::int32_t buttons = kLButton) {
    CPoint p(x, y);
    return f->onMouseDown(p, buttons);
}
inline CMouseEventResult move(CFrame* f, CCoord x, CCoord y, std::int32_t buttons = kLButton) {
    CPoint p(x, y);
    return f->onMouseMoved(p, buttons);
}
inline CMouseEventResult up(CFrame* f, CCoord x, CCoord y, std::int32_t buttons = kLButton) {
    CPoint p(x, y);
    return f->onMouseUp(p, buttons);
}

}  // namespace lumdel::test
