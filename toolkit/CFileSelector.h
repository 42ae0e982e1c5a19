// File dialogs: an external chooser program (zenity, else kdialog) runs modally;
// without one the dialog counts as cancelled. Tests inject their own chooser.
#pragma once

#include <functional>
#include <string>
#include <vector>

class CFrame;

class CFileExtension {
public:
    CFileExtension(const char* description, const char* extension, const char* mimeType = nullptr,
                   int macType = 0);
    const std::string& getDescription() const { return description_; }
    // Without the dot: "fxp".
    const std::string& getExtension() const { return extension_; }
    const std::string& getMimeType() const { return mimeType_; }
    int getMacType() const { return macType_; }
    bool operator==(const CFileExtension& o) const { return extension_ == o.extension_; }

private:
    std::string description_, extension_, mimeType_;
    int macType_;
};

class CNewFileSelector {
public:
    enum Style { kSelectFile, kSelectSaveFile, kSelectDirectory };

    // Everything a chooser is asked.
    struct Request {
        Style style = kSelectFile;
        std::string title;
        std::string initialDirectory;
        std::string defaultSaveName;
        std::vector<CFileExtension> extensions;
        const CFileExtension* defaultExtension = nullptr;
        bool multipleFiles = false;
    };
    // Returns the chosen paths; none when cancelled.
    using Chooser = std::function<std::vector<std::string>(const Request&)>;

    static CNewFileSelector* create(CFrame* parent = nullptr, Style style = kSelectFile);
    CNewFileSelector(CFrame* parent, Style style);
    virtual ~CNewFileSelector();
    // The selector's own reference counting, as the views'.
    void remember() { ++references_; }
    void forget() {
        if (--references_ <= 0) delete this;
    }

    void setTitle(const char* title) { request_.title = title ? title : ""; }
    void setInitialDirectory(const char* dir) { request_.initialDirectory = dir ? dir : ""; }
    void setDefaultSaveName(const char* name) { request_.defaultSaveName = name ? name : ""; }
    void setDefaultExtension(const CFileExtension& extension);
    void addFileExtension(const CFileExtension& extension);
    void setAllowMultiFileSelection(bool state) { request_.multipleFiles = state; }
    const Request& getRequest() const { return request_; }

    // Shows the dialog and waits; true when something was chosen. A saved file
    // without extension gets the default extension.
    bool runModal();
    int getNumSelectedFiles() const { return static_cast<int>(result_.size()); }
    const char* getSelectedFile(int index) const;

    // Replaces the chooser of every selector (null: the external programs again).
    static void setChooser(Chooser chooser);
    // The external-program chooser (zenity, else kdialog, else cancelled).
    static std::vector<std::string> runExternalChooser(const Request& request);

private:
    CFrame* frame_;
    Request request_;
    std::string defaultExtension_;
    std::vector<std::string> result_;
    int references_ = 1;
};
