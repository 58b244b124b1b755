#include "platform/components/TOpenDialog.h"

#include <filesystem>
#include <memory>

#include "platform/components/TFileDialogForm.h"

namespace plat::comp {

bool TOpenDialog::Execute() {
    namespace fsys = std::filesystem;
    TFileDialogForm::Settings s;
    s.title = title_.empty() ? DefaultTitle() : title_;
    const fsys::path current(fileName_);
    std::error_code ec;
    s.folder = !initialDir_.empty()          ? initialDir_
               : current.has_parent_path()   ? current.parent_path().string()
                                             : fsys::current_path(ec).string();
    s.fileName = current.filename().string();
    s.filters = ParseFileFilter(filter_);
    s.filterIndex = filterIndex_ > 0 ? filterIndex_ - 1 : 0;
    s.defaultExt = defaultExt_;
    s.mustExist = (options_ & of::FileMustExist) != 0;
    s.overwritePrompt = (options_ & of::OverwritePrompt) != 0;
    auto form = std::make_unique<TFileDialogForm>(nullptr, std::move(s));
    if (form->ShowModal() != mrOk) return false;
    fileName_ = form->Chosen();
    filterIndex_ = form->FilterIndex() + 1;
    return true;
}

} // namespace plat::comp
