// The UI's own X window inside the host's ui:parent, which holds the editor's window.
// The host keeps this window's id for the UI's whole life, while the editor's window
// inside it is rebuilt when the scale changes. Host UI thread only.
#pragma once

#include <memory>

namespace lumdel::lv2 {

class ContainerWindow {
public:
    // A mapped child of parent (an X window id), width x height pixels; null without a
    // display, when the parent does not exist, or for a size that is not positive.
    static std::unique_ptr<ContainerWindow> create(void* parent, int width, int height);
    ~ContainerWindow();
    ContainerWindow(const ContainerWindow&) = delete;
    ContainerWindow& operator=(const ContainerWindow&) = delete;

    // The window's id, as the editor's parent and the host's widget.
    void* id() const;
    // False when the server refuses (the window is gone).
    bool resize(int width, int height);

private:
    struct Impl;
    explicit ContainerWindow(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace lumdel::lv2
