// The plug-in file itself: how it loads. What it exports and which libraries it needs
// are the validator's binary checks (ctest validate_plugin).
#include <dlfcn.h>
#include <gtest/gtest.h>

TEST(PluginBinary, LoadsWithImmediateLocalBinding) {
    void* handle = dlopen(LUMDEL_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    void* entry = dlsym(handle, "VSTPluginMain");
    EXPECT_NE(entry, nullptr);
    EXPECT_EQ(dlsym(handle, "main"), entry == nullptr ? nullptr : dlsym(handle, "main"));
    dlclose(handle);
}
