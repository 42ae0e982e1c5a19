// setChunk with arbitrary bytes: either the input itself as the chunk (first byte even)
// or patches on a valid chunk (first byte odd: groups of 2-byte offset, 1-byte length,
// bytes). A refused chunk (-1) must leave the state byte-identical; afterwards the
// plug-in still hands out a whole chunk and processes finite audio.
#include <vector>

#include "FuzzPlugin.h"

using lumdel::fuzz::FuzzPlugin;

namespace {
std::vector<unsigned char> chunkOf(FuzzPlugin& p) {
    void* data = nullptr;
    VstIntPtr size = p.host.dispatch(effGetChunk, 0, 0, &data);
    if (!data || size != CPresetSystemEffect::kChunkSize) __builtin_trap();
    auto* bytes = static_cast<unsigned char*>(data);
    return std::vector<unsigned char>(bytes, bytes + size);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static FuzzPlugin* plugin = new FuzzPlugin;
    static const std::vector<unsigned char> good = chunkOf(*plugin);
    static std::vector<unsigned char> bytes;
    std::vector<unsigned char> start(good);
    plugin->host.dispatch(effSetChunk, 0, static_cast<VstIntPtr>(start.size()), start.data());
    if (size == 0) return 0;
    if (data[0] & 1) {
        bytes = good;
        lumdel::fuzz::applyPatches(bytes, data, size, 1);
    } else {
        bytes.assign(data + 1, data + size);
    }
    VstIntPtr result = plugin->host.dispatch(effSetChunk, 0, static_cast<VstIntPtr>(bytes.size()),
                                             bytes.empty() ? nullptr : bytes.data());
    auto after = chunkOf(*plugin);
    if (result == -1 && after != good) __builtin_trap();  // refused, yet changed
    plugin->process(64, false);
    plugin->process(64, true);
    return 0;
}
