// What the effect tells its editor, whatever the editor's class: a parameter changed, the
// tempo changed, and the channel link around a preset load. The editor implements it and
// the effect holds a non-owning pointer (null while no editor exists).
#pragma once

namespace lumdel {

class EditorLink {
public:
    virtual ~EditorLink() = default;
    // Any thread that set a parameter: index 0..119 and the value as it arrived.
    virtual void parameterChanged(int index, float value) = 0;
    // Audio or UI thread, after the synchronised values were recomputed.
    virtual void tempoChanged(float bpm) = 0;
    // UI thread, around a preset load.
    virtual void unlinkChannels() = 0;
    virtual void linkChannels() = 0;
};

}  // namespace lumdel
