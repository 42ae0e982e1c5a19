// The X11 UI driven through its descriptor as an LV2 host drives it, on an instance of
// the real plug-in binary: a parent window on an X server of our own (Xvfb), the host's
// write function, ui:resize and ui:touch recorded. Skipped when Xvfb is missing.
#include <gtest/gtest.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/ui/ui.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "Lv2Fixture.h"
#include "core/Plugin.h"
#include "editor/Editor.h"
#include "lv2/Lv2Plugin.h"
#include "lv2/Lv2Ui.h"
#include "lv2/UiEntry.h"
// Last: Xlib's macros (None, Bool) would break the headers above.
#include "toolkit/XvfbSupport.h"

namespace lumdel::test {
namespace {

// What the UI told its host.
struct HostLog {
    struct Write {
        uint32_t port, size, format;
        float value;
    };
    std::vector<Write> writes;
    std::vector<std::pair<int, int>> sizes;
    std::vector<std::pair<uint32_t, bool>> touches;

    static void write(LV2UI_Controller c, uint32_t port, uint32_t size, uint32_t format,
                      const void* buffer) {
        float v = 0.0f;
        if (format == 0 && size == sizeof v) v = *static_cast<const float*>(buffer);
        static_cast<HostLog*>(c)->writes.push_back({port, size, format, v});
    }
    static int resize(LV2UI_Feature_Handle h, int width, int height) {
        static_cast<HostLog*>(h)->sizes.emplace_back(width, height);
        return 0;
    }
    static void touch(LV2UI_Feature_Handle h, uint32_t port, bool grabbed) {
        static_cast<HostLog*>(h)->touches.emplace_back(port, grabbed);
    }
};

class Lv2UiTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        if (!server.start(error, "2048x640x24")) GTEST_SKIP() << error;
        remember("DISPLAY", server.display().c_str());
        remember("LUMDEL_SCALE", "1");
        display = XOpenDisplay(server.display().c_str());
        ASSERT_NE(display, nullptr);
        parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 400, 100, 0, 0,
                                     0x202020);
        XMapWindow(display, parent);
        XSync(display, False);
        instance = std::make_unique<Lv2Instance>(&uris);
        ASSERT_NE(instance->handle, nullptr);
        instance->connectAll();
        instance->desc->activate(instance->handle);
        features = {{LV2_UI__parent, windowPointer(parent)},
                    {LV2_INSTANCE_ACCESS_URI, instance->handle},
                    {LV2_UI__resize, &resize},
                    {LV2_UI__touch, &touch}};
    }
    void TearDown() override {
        if (ui) desc->cleanup(ui);
        instance.reset();
        if (display) XCloseDisplay(display);
        for (auto it = saved.rbegin(); it != saved.rend(); ++it) {
            if (it->second.first)
                setenv(it->first.c_str(), it->second.second.c_str(), 1);
            else
                unsetenv(it->first.c_str());
        }
    }
    void remember(const char* name, const char* value) {
        const char* old = std::getenv(name);
        saved.push_back({name, {old != nullptr, old ? old : ""}});
        setenv(name, value, 1);
    }
    static void* windowPointer(Window w) {
        return reinterpret_cast<void*>(static_cast<std::uintptr_t>(w));
    }

    // The features as a host passes them, those named in `without` left out.
    LV2UI_Handle instantiate(std::initializer_list<const char*> without = {},
                             const char* uri = lv2::kPluginUri) {
        std::vector<const LV2_Feature*> list;
        for (const LV2_Feature& f : features) {
            bool skip = false;
            for (const char* w : without) skip = skip || std::string(w) == f.URI;
            if (!skip) list.push_back(&f);
        }
        list.push_back(nullptr);
        widget = nullptr;
        return desc->instantiate(desc, uri, "", &HostLog::write, &log, &widget, list.data());
    }
    lv2::Lv2Ui& self() { return *static_cast<lv2::Lv2Ui*>(ui); }
    Plugin& plugin() { return static_cast<lv2::Lv2Plugin*>(instance->handle)->plugin(); }
    void idle(int rounds = 2) {
        const auto* idleInterface = static_cast<const LV2UI_Idle_Interface*>(
            desc->extension_data(LV2_UI__idleInterface));
        ASSERT_NE(idleInterface, nullptr);
        for (int i = 0; i < rounds; ++i) EXPECT_EQ(idleInterface->idle(ui), 0);
    }
    std::pair<int, int> widgetSize() {
        XWindowAttributes a{};
        XSync(display, False);
        XGetWindowAttributes(display, static_cast<Window>(reinterpret_cast<std::uintptr_t>(widget)), &a);
        return {a.width, a.height};
    }

    XServer server;
    std::vector<std::pair<std::string, std::pair<bool, std::string>>> saved;
    Display* display = nullptr;
    Window parent = 0;
    UriMap uris;
    std::unique_ptr<Lv2Instance> instance;
    HostLog log;
    LV2UI_Resize resize{&log, &HostLog::resize};
    LV2UI_Touch touch{&log, &HostLog::touch};
    std::vector<LV2_Feature> features;
    const LV2UI_Descriptor* desc = lv2::uiDescriptor();
    LV2UI_Widget widget = nullptr;
    LV2UI_Handle ui = nullptr;
};

TEST_F(Lv2UiTest, RefusesWithoutWhatItNeeds) {
    EXPECT_EQ(desc->instantiate(desc, lv2::kPluginUri, "", &HostLog::write, &log, &widget,
                                nullptr),
              nullptr);
    const LV2_Feature* none[] = {nullptr};
    EXPECT_EQ(desc->instantiate(desc, lv2::kPluginUri, "", &HostLog::write, &log, &widget, none),
              nullptr);
    EXPECT_EQ(instantiate({LV2_UI__parent}), nullptr);
    EXPECT_EQ(instantiate({LV2_INSTANCE_ACCESS_URI}), nullptr);
    EXPECT_EQ(instantiate({}, "urn:other:plugin"), nullptr);
    EXPECT_EQ(instantiate({}, nullptr), nullptr);
    // A parent window that does not exist, and no X server at all.
    features[0].data = windowPointer(0x3fffff00);
    EXPECT_EQ(instantiate(), nullptr);
    features[0].data = windowPointer(parent);
    remember("DISPLAY", ":65000");
    EXPECT_EQ(instantiate(), nullptr);
    EXPECT_TRUE(log.writes.empty());
    // Nothing is left attached to the plug-in, which runs on.
    EXPECT_EQ(plugin().editorLink(), nullptr);
    instance->controls[kMix] = 0.25f;
    instance->run(64);
    EXPECT_FLOAT_EQ(plugin().getParameter(kMix), 0.25f);
}

TEST_F(Lv2UiTest, OpensAtTheEditorsSizeWithOrWithoutResize) {
    ui = instantiate();
    ASSERT_NE(ui, nullptr);
    ASSERT_NE(widget, nullptr);
    const CEditorRect& r = self().editor().getRect();
    const std::pair<int, int> size{r.right - r.left, r.bottom - r.top};
    EXPECT_EQ(size, std::make_pair(942, 171));
    ASSERT_EQ(log.sizes.size(), 1u);
    EXPECT_EQ(log.sizes[0], size);
    EXPECT_EQ(widgetSize(), size);
    idle();
    desc->cleanup(ui);
    // Without ui:resize and ui:touch it opens all the same.
    ui = instantiate({LV2_UI__resize, LV2_UI__touch});
    ASSERT_NE(ui, nullptr);
    idle();
    EXPECT_EQ(log.sizes.size(), 1u);
}

TEST_F(Lv2UiTest, ScaleTwoDoublesTheSizeTheHostIsAskedFor) {
    remember("LUMDEL_SCALE", "2");
    ui = instantiate();
    ASSERT_NE(ui, nullptr);
    ASSERT_EQ(log.sizes.size(), 1u);
    EXPECT_EQ(log.sizes[0], std::make_pair(1884, 342));
    desc->cleanup(ui);
    ui = nullptr;

    // A scale chosen while open (the logo menu sets it so): the next idle rebuilds the
    // editor, asks the host for the new size and resizes the window the host holds,
    // whose id stays.
    remember("LUMDEL_SCALE", "1");
    log.sizes.clear();
    ui = instantiate();
    ASSERT_NE(ui, nullptr);
    const LV2UI_Widget first = widget;
    EXPECT_EQ(self().editor().getScale(), 1.0);
    self().editor().setScale(2.0);
    idle();
    ASSERT_EQ(log.sizes.size(), 2u);
    EXPECT_EQ(log.sizes[1], std::make_pair(1884, 342));
    EXPECT_EQ(widgetSize(), std::make_pair(1884, 342));
    EXPECT_EQ(widget, first);
    EXPECT_NE(self().editor().getFrame(), nullptr);
}

TEST_F(Lv2UiTest, PortEventMovesTheControlAndWritesNothingBack) {
    ui = instantiate();
    ASSERT_NE(ui, nullptr);
    idle();
    const float v = 0.8f;
    desc->port_event(ui, kMix, sizeof v, 0, &v);
    CControl* mix = self().editor().control(kMix);
    ASSERT_NE(mix, nullptr);
    EXPECT_FLOAT_EQ(mix->getValue(), 0.8f);
    // Other protocols, sizes, ports and values that are not numbers are ignored.
    const float nan = std::nanf("");
    desc->port_event(ui, kMix, sizeof nan, 0, &nan);
    desc->port_event(ui, kMix, sizeof v, 1, &v);
    desc->port_event(ui, kMix, 2, 0, &v);
    desc->port_event(ui, kMix, sizeof v, 0, nullptr);
    desc->port_event(ui, lv2::kFirstAudioIn, sizeof v, 0, &v);
    desc->port_event(ui, 100000, sizeof v, 0, &v);
    EXPECT_FLOAT_EQ(mix->getValue(), 0.8f);
    idle();
    EXPECT_TRUE(log.writes.empty());
    EXPECT_TRUE(log.touches.empty());
}

TEST_F(Lv2UiTest, AnEditWritesThePortOnceBetweenTouches) {
    ui = instantiate();
    ASSERT_NE(ui, nullptr);
    idle();
    CControl* mix = self().editor().control(kMix);
    ASSERT_NE(mix, nullptr);
    mix->beginEdit();
    mix->setValue(0.3f);
    mix->valueChanged();
    mix->endEdit();
    ASSERT_EQ(log.writes.size(), 1u);
    EXPECT_EQ(log.writes[0].port, static_cast<uint32_t>(kMix));
    EXPECT_EQ(log.writes[0].format, 0u);
    EXPECT_EQ(log.writes[0].size, sizeof(float));
    EXPECT_FLOAT_EQ(log.writes[0].value, 0.3f);
    const std::vector<std::pair<uint32_t, bool>> bracket{{kMix, true}, {kMix, false}};
    EXPECT_EQ(log.touches, bracket);
    // The plug-in has the value at once, as with the VST 2.4 editor.
    EXPECT_FLOAT_EQ(plugin().getParameter(kMix), 0.3f);
}

TEST_F(Lv2UiTest, WritesSwitchesAsTogglesAndLeavesTheLegacyPortsAlone) {
    ui = instantiate();
    ASSERT_NE(ui, nullptr);
    // A toggled port reads anything but 0 as on: a switch's 0.25 (off) goes out as 0.
    self().setParameterAutomated(kBypass, 0.25f);
    self().setParameterAutomated(kBypass, 0.75f);
    // A preset load in the editor reports what changed; a legacy switch has acted
    // already and its port would act again.
    self().reportParameter(kLegacyDrive, 0.0f);
    ASSERT_EQ(log.writes.size(), 2u);
    EXPECT_EQ(log.writes[0].port, static_cast<uint32_t>(kBypass));
    EXPECT_EQ(log.writes[0].value, 0.0f);
    EXPECT_EQ(log.writes[1].value, 1.0f);
}

TEST_F(Lv2UiTest, TheHostsPortReachesTheEditorThroughThePlugin) {
    ui = instantiate();
    ASSERT_NE(ui, nullptr);
    idle();
    instance->controls[kMix] = 0.65f;
    instance->run(64);
    CControl* mix = self().editor().control(kMix);
    ASSERT_NE(mix, nullptr);
    EXPECT_FLOAT_EQ(mix->getValue(), 0.65f);
    EXPECT_TRUE(log.writes.empty());
}

TEST_F(Lv2UiTest, CleanupLeavesThePluginWithoutTheEditor) {
    ui = instantiate();
    ASSERT_NE(ui, nullptr);
    idle();
    EXPECT_NE(plugin().editorLink(), nullptr);
    desc->cleanup(ui);
    ui = nullptr;
    // The instance outlives its UI: a port change and a block tell nobody.
    EXPECT_EQ(plugin().editorLink(), nullptr);
    instance->controls[kMix] = 0.1f;
    instance->run(64);
    EXPECT_FLOAT_EQ(plugin().getParameter(kMix), 0.1f);
    EXPECT_TRUE(log.writes.empty());
}

TEST_F(Lv2UiTest, ASecondUiTakesOverAndTheFirstLeavesItAttached) {
    ui = instantiate();
    ASSERT_NE(ui, nullptr);
    LV2UI_Handle second = instantiate();
    ASSERT_NE(second, nullptr);
    auto& editor = static_cast<lv2::Lv2Ui*>(second)->editor();
    EXPECT_EQ(plugin().editorLink(), &editor);
    desc->cleanup(ui);
    ui = second;
    EXPECT_EQ(plugin().editorLink(), &editor);
}

}  // namespace
}  // namespace lumdel::test
