// The CLAP tail extension, which the headers we build against predate: the same two
// small tables every CLAP 1.1 host knows, under their stable identifier.
#pragma once

#include <clap/plugin.h>

#include <cstdint>

static constexpr const char kClapExtTail[] = "clap.tail";
static constexpr std::uint32_t kClapTailInfinite = UINT32_MAX;

extern "C" {
typedef struct clap_plugin_tail {
    // Main or audio thread: samples the output keeps sounding after the input stops.
    std::uint32_t(CLAP_ABI* get)(const clap_plugin_t* plugin);
} clap_plugin_tail_t;
}
