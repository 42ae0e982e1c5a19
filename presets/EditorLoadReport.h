// Reports a preset load made in the editor to the host.
//
// A load from the preset strip (menu, step switch, memories, stored defaults, a loaded
// preset or bank file) changes parameters the host did not set. Some hosts do not read
// the parameters again when asked to update their display, so their generic controls and
// automation lanes would keep the old values, and touching one would bring its old sound
// back. While a report lives it remembers the 60 parameter values; when it ends, every
// parameter whose value the load changed goes to the host as an automated edit (begin,
// automate, end), from the editor's thread. Only the outermost of nested reports speaks.
// Loads the host asks for itself (its chunk, programs) and MIDI controllers are not
// reported: the host knows of those, or they are not its to record.
//
// Editor thread only (and the constructing thread, for the silent load of the stored
// defaults inside the effect's construction, before the host holds the effect).
#pragma once

namespace lumdel {

class EditorController;

class EditorLoadReport {
public:
    enum class Mode { Report, Silent };

    // plugin may be null: nothing is remembered or reported.
    explicit EditorLoadReport(EditorController* plugin, Mode mode = Mode::Report);
    ~EditorLoadReport();
    EditorLoadReport(const EditorLoadReport&) = delete;
    EditorLoadReport& operator=(const EditorLoadReport&) = delete;

private:
    EditorController* plugin_;
    bool reports_ = false;
    float before_[60] = {};
};

}  // namespace lumdel
