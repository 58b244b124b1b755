#include "platform/components/TFileDialogForm.h"

#include <fnmatch.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/components/TButton.h"
#include "platform/components/TEdit.h"
#include "platform/components/TLabel.h"
#include "platform/components/TListBox.h"
#include "platform/components/TMessageForm.h"

namespace plat::comp {
namespace fsys = std::filesystem;
namespace {

std::string Trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

std::vector<std::string> Split(const std::string& s, char sep) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= s.size(); ++i) {
        if (i == s.size() || s[i] == sep) {
            out.push_back(s.substr(start, i - start));
            start = i + 1;
        }
    }
    return out;
}

// Sub-folders are listed in brackets, as the classic dialogs did.
std::string FolderEntry(const std::string& name) { return "[" + name + "]"; }

} // namespace

std::vector<TFileFilter> ParseFileFilter(const std::string& filter) {
    std::vector<TFileFilter> out;
    const auto parts = Split(filter, '|');
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        TFileFilter f{Trim(parts[i]), {}};
        for (const std::string& p : Split(parts[i + 1], ';'))
            if (!Trim(p).empty()) f.patterns.push_back(Trim(p));
        out.push_back(std::move(f));
    }
    return out;
}

bool MatchesFilter(const TFileFilter& filter, const std::string& name) {
    for (const std::string& p : filter.patterns) {
        // "*.*" means every file, also those without a dot.
        if (p == "*.*" || fnmatch(p.c_str(), name.c_str(), FNM_CASEFOLD) == 0) return true;
    }
    return filter.patterns.empty();
}

TFileDialogForm::TFileDialogForm(TComponent* owner, Settings settings)
    : TForm(owner), settings_(std::move(settings)) {
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetPosition(TPosition::poScreenCenter);
    SetCaption(settings_.title);
    SetClientSize(420, 300);
    folderLabel_ = new TLabel(this);
    folderLabel_->SetParent(this);
    folderLabel_->SetBounds(8, 8, 404, 17);
    entries_ = new TListBox(this);
    entries_->SetParent(this);
    entries_->SetBounds(8, 28, 404, 170);
    entries_->OnClick = [this](TObject*) {
        const std::string e = entries_->ItemText(entries_->ItemIndex());
        if (!e.empty() && e.front() != '[') name_->SetText(e);
    };
    entries_->OnDblClick = [this](TObject*) { Choose(entries_->ItemText(entries_->ItemIndex())); };
    auto* nameLabel = new TLabel(this);
    nameLabel->SetCaption("File name:");
    nameLabel->SetParent(this);
    nameLabel->SetBounds(8, 208, 70, 17);
    name_ = new TEdit(this);
    name_->SetParent(this);
    name_->SetBounds(84, 205, 246, 21);
    name_->SetText(settings_.fileName);
    filterList_ = new TListBox(this);
    filterList_->SetParent(this);
    filterList_->SetBounds(84, 232, 246, 60);
    for (const TFileFilter& f : settings_.filters) filterList_->Items().Add(f.description);
    filterList_->SetItemIndex(settings_.filterIndex);
    filterList_->OnClick = [this](TObject*) {
        settings_.filterIndex = std::max(0, filterList_->ItemIndex());
        Fill();
    };
    auto* ok = new TButton(this);
    ok->SetCaption("OK");
    ok->SetDefault(true);
    ok->SetParent(this);
    ok->SetBounds(337, 204, 75, 23);
    ok->OnClick = [this](TObject*) { Accept(); };
    auto* cancel = new TButton(this);
    cancel->SetCaption("Cancel");
    cancel->SetModalResult(mrCancel);
    cancel->SetCancel(true);
    cancel->SetParent(this);
    cancel->SetBounds(337, 232, 75, 23);
    SetActiveControl(name_);
    Fill();
}

void TFileDialogForm::Fill() {
    folderLabel_->SetCaption(settings_.folder);
    std::vector<std::string> folders;
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& e : fsys::directory_iterator(settings_.folder, ec)) {
        const std::string name = e.path().filename().string();
        std::error_code typeError;
        if (e.is_directory(typeError)) {
            folders.push_back(name);
        } else if (settings_.filters.empty() ||
                   MatchesFilter(settings_.filters[static_cast<std::size_t>(
                                     std::clamp(settings_.filterIndex, 0,
                                                static_cast<int>(settings_.filters.size()) - 1))],
                                 name)) {
            files.push_back(name);
        }
    }
    std::sort(folders.begin(), folders.end());
    std::sort(files.begin(), files.end());
    TStringList& items = entries_->Items();
    items.BeginUpdate();
    items.Clear();
    if (fsys::path(settings_.folder).has_parent_path() && settings_.folder != "/")
        items.Add(FolderEntry(".."));
    for (const std::string& f : folders) items.Add(FolderEntry(f));
    for (const std::string& f : files) items.Add(f);
    items.EndUpdate();
}

void TFileDialogForm::Choose(const std::string& entry) {
    if (entry.size() > 2 && entry.front() == '[' && entry.back() == ']') {
        const std::string name = entry.substr(1, entry.size() - 2);
        fsys::path next = name == ".." ? fsys::path(settings_.folder).parent_path()
                                       : fsys::path(settings_.folder) / name;
        settings_.folder = next.lexically_normal().string();
        Fill();
        return;
    }
    name_->SetText(entry);
    Accept();
}

bool TFileDialogForm::Accept() {
    const std::string typed = Trim(name_->Text());
    if (typed.empty()) return false;
    fsys::path path = fsys::path(typed).is_absolute() ? fsys::path(typed)
                                                      : fsys::path(settings_.folder) / typed;
    std::error_code ec;
    if (fsys::is_directory(path, ec)) {
        // A folder typed as the name opens it.
        settings_.folder = path.lexically_normal().string();
        name_->SetText("");
        Fill();
        return false;
    }
    if (!path.has_extension() && !settings_.defaultExt.empty()) path += "." + settings_.defaultExt;
    const bool exists = fsys::exists(path, ec);
    if (settings_.mustExist && !exists) {
        MessageBox(path.filename().string() + "\nFile not found.\nPlease verify the correct file name was given.",
                   settings_.title, MB_OK | MB_ICONWARNING);
        return false;
    }
    if (settings_.overwritePrompt && exists &&
        MessageBox(path.filename().string() + " already exists.\nDo you want to replace it?",
                   settings_.title, MB_YESNO | MB_ICONWARNING) != IDYES)
        return false;
    chosen_ = path.lexically_normal().string();
    SetModalResult(mrOk);
    return true;
}

} // namespace plat::comp
