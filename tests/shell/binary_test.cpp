// The plug-in file itself: what it exports and how it loads.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

namespace {
std::set<std::string> linesOf(const std::string& command) {
    std::set<std::string> lines;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return lines;
    char buf[512];
    while (std::fgets(buf, sizeof buf, pipe)) {
        std::string line(buf);
        while (!line.empty() && (line.back() == '\n' || line.back() == ' ')) line.pop_back();
        if (!line.empty()) lines.insert(line);
    }
    pclose(pipe);
    return lines;
}
}  // namespace

TEST(PluginBinary, ExportsOnlyTheEntryPoints) {
    auto symbols = linesOf(std::string("nm -D --defined-only '") + LUMDEL_PLUGIN_PATH +
                           "' | awk '{print $3}'");
    EXPECT_EQ(symbols, (std::set<std::string>{"VSTPluginMain", "main"}));
}

TEST(PluginBinary, LoadsWithImmediateLocalBinding) {
    void* handle = dlopen(LUMDEL_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    void* entry = dlsym(handle, "VSTPluginMain");
    EXPECT_NE(entry, nullptr);
    EXPECT_EQ(dlsym(handle, "main"), entry == nullptr ? nullptr : dlsym(handle, "main"));
    dlclose(handle);
}

TEST(PluginBinary, NeedsOnlySystemLibraries) {
    auto needed = linesOf(std::string("readelf -d '") + LUMDEL_PLUGIN_PATH +
                          "' | sed -n 's/.*Shared library: \\[\\(.*\\)\\]/\\1/p'");
    const std::set<std::string> allowed = {"libc.so.6", "libm.so.6", "libX11.so.6",
                                           "libcairo.so.2", "libpthread.so.0", "libdl.so.2",
                                           "libgcc_s.so.1", "libstdc++.so.6",
                                           "ld-linux-x86-64.so.2"};
    for (const std::string& lib : needed) {
        if (lib.rfind("libasan", 0) == 0 || lib.rfind("libubsan", 0) == 0) continue;
        EXPECT_TRUE(allowed.count(lib)) << lib;
    }
}
