// effProcessEvents with arbitrary event lists: MIDI events with any status bytes,
// frame offsets (negative, beyond the block), sizes and types, and SysEx events whose
// dump points into the input. The first bytes assign up to two controllers (parameters
// 60 to 119), so controller changes reach parameters.
#include <cstddef>
#include <vector>

#include "FuzzPlugin.h"

using lumdel::fuzz::FuzzPlugin;

namespace {
struct SysexEvent {  // the VST 2.4 SysEx event record
    VstInt32 type;
    VstInt32 byteSize;
    VstInt32 deltaFrames;
    VstInt32 flags;
    VstInt32 dumpBytes;
    VstIntPtr resvd1;
    char* sysexDump;
    VstIntPtr resvd2;
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static FuzzPlugin* plugin = new FuzzPlugin;
    constexpr int kMax = 64;
    static VstMidiEvent midi[kMax];
    static SysexEvent sysex[kMax];
    static std::vector<unsigned char> storage(sizeof(VstEvents) + kMax * sizeof(VstEvent*));
    static std::vector<char> dump;
    dump.assign(data, data + size);
    std::size_t pos = 0;
    for (int k = 0; k < 2 && pos + 2 <= size; ++k, pos += 2)
        plugin->host.setParameter(60 + data[pos] % 60, data[pos + 1] / 255.0f);
    auto* list = reinterpret_cast<VstEvents*>(storage.data());
    // The list's pointers run past its declared events[2], into the storage behind it.
    auto* slots = reinterpret_cast<VstEvent**>(storage.data() + offsetof(VstEvents, events));
    int n = 0;
    for (; n < kMax && pos + 8 <= size; ++n, pos += 8) {
        const std::uint8_t* e = data + pos;
        VstInt32 delta = static_cast<std::int16_t>(e[1] | (e[2] << 8));
        if ((e[0] & 3) == 3) {
            SysexEvent& s = sysex[n];
            s = SysexEvent{kVstSysExType, static_cast<VstInt32>(sizeof(SysexEvent)), delta, 0, e[3],
                           0, dump.data() + pos, 0};
            if (s.dumpBytes > static_cast<VstInt32>(size - pos)) s.dumpBytes = static_cast<VstInt32>(size - pos);
            slots[n] = reinterpret_cast<VstEvent*>(&s);
        } else {
            VstMidiEvent& m = midi[n];
            m = VstMidiEvent{};
            m.type = (e[0] & 3) == 1 ? e[7] : kVstMidiType;
            m.byteSize = (e[0] & 3) == 2 ? e[6] : static_cast<VstInt32>(sizeof(VstMidiEvent));
            m.deltaFrames = delta;
            m.midiData[0] = static_cast<char>(e[3]);
            m.midiData[1] = static_cast<char>(e[4]);
            m.midiData[2] = static_cast<char>(e[5]);
            slots[n] = reinterpret_cast<VstEvent*>(&m);
        }
    }
    list->numEvents = n;
    plugin->host.dispatch(effProcessEvents, 0, 0, list);
    plugin->process(128, (size & 1) != 0);
    return 0;
}
