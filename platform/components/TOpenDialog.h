#pragma once
// The open-file dialog component: Execute shows the file dialog modally and, on OK, leaves the
// chosen path in FileName. The working folder of the process is never changed.

#include <cstdint>
#include <string>

#include "platform/components/TComponent.h"

namespace plat::comp {

using TOpenOptions = std::uint32_t;
namespace of {
constexpr TOpenOptions OverwritePrompt = 1u << 1;
constexpr TOpenOptions HideReadOnly = 1u << 2;
constexpr TOpenOptions NoChangeDir = 1u << 3;
constexpr TOpenOptions PathMustExist = 1u << 11;
constexpr TOpenOptions FileMustExist = 1u << 12;
} // namespace of

class TOpenDialog : public TComponent {
public:
    explicit TOpenDialog(TComponent* owner) : TComponent(owner) {}
    const char* ClassName() const override { return "TOpenDialog"; }

    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& v) { fileName_ = v; }
    const std::string& InitialDir() const { return initialDir_; }
    void SetInitialDir(const std::string& v) { initialDir_ = v; }
    const std::string& Filter() const { return filter_; }
    void SetFilter(const std::string& v) { filter_ = v; }
    // 1-based, as the classic property.
    int FilterIndex() const { return filterIndex_; }
    void SetFilterIndex(int v) { filterIndex_ = v; }
    const std::string& DefaultExt() const { return defaultExt_; }
    void SetDefaultExt(const std::string& v) { defaultExt_ = v; }
    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& v) { title_ = v; }
    TOpenOptions Options() const { return options_; }
    void SetOptions(TOpenOptions v) { options_ = v; }

    // True when the user chose a file.
    virtual bool Execute();

protected:
    virtual const char* DefaultTitle() const { return "Open"; }

private:
    std::string fileName_;
    std::string initialDir_;
    std::string filter_;
    int filterIndex_ = 1;
    std::string defaultExt_;
    std::string title_;
    TOpenOptions options_ = of::HideReadOnly;
};

} // namespace plat::comp
