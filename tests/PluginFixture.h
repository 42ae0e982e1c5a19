// Loads the real Lumdel.so through its entry point, as a host would.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "tools/host/Host.h"

namespace lumdel::test {

inline host::PluginLibrary& pluginLibrary() {
    static host::PluginLibrary library(LUMDEL_PLUGIN_PATH);
    return library;
}

class PluginTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pluginLibrary().ok()) << pluginLibrary().error();
        host = std::make_unique<host::Host>();
        ASSERT_TRUE(host->load(pluginLibrary())) << host->error();
        effect = host->effect();
    }
    void TearDown() override { host.reset(); }

    std::unique_ptr<host::Host> host;
    AEffect* effect = nullptr;
};

}  // namespace lumdel::test
