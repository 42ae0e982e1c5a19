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
    // The C and C++ runtime, libm, X11 and cairo, and what those two pull in.
    const char* allowedPrefixes[] = {"libc.so", "libm.so", "libgcc_s.so", "libstdc++.so",
                                     "ld-linux-x86-64.so", "libpthread.so", "libdl.so",
                                     "libX11.so", "libXext.so", "libXrender.so", "libxcb",
                                     "libcairo.so", "libfontconfig.so", "libfreetype.so",
                                     "libpng16.so", "libz.so", "libpixman-1.so",
                                     "libasan.so", "libubsan.so"};
    for (const std::string& lib : needed) {
        bool ok = false;
        for (const char* prefix : allowedPrefixes) ok = ok || lib.rfind(prefix, 0) == 0;
        EXPECT_TRUE(ok) << lib;
    }
}
