#pragma once
// The window of the file dialogs: the folder, its sub-folders and the files that match the
// chosen filter, a file name field, the filter list, OK and Cancel. OK checks the name against
// the dialog's options before it ends the dialog.

#include <string>
#include <vector>

#include "platform/components/TForm.h"

namespace plat::comp {

class TEdit;
class TLabel;
class TListBox;

struct TFileFilter {
    std::string description;
    std::vector<std::string> patterns; // "*.45m"; matched without case
};

// "Text files|*.txt;*.log|All files|*.*" -> two filters. Blanks around patterns are ignored.
std::vector<TFileFilter> ParseFileFilter(const std::string& filter);
bool MatchesFilter(const TFileFilter& filter, const std::string& name);

class TFileDialogForm : public TForm {
public:
    struct Settings {
        std::string title;
        std::string folder;
        std::string fileName;
        std::vector<TFileFilter> filters;
        int filterIndex = 0; // 0-based
        std::string defaultExt;
        bool mustExist = false;
        bool overwritePrompt = false;
    };

    TFileDialogForm(TComponent* owner, Settings settings);
    const char* ClassName() const override { return "TFileDialogForm"; }

    // The full path chosen (valid after OK).
    const std::string& Chosen() const { return chosen_; }
    const std::string& Folder() const { return settings_.folder; }
    int FilterIndex() const { return settings_.filterIndex; }
    TEdit& NameEdit() { return *name_; }
    TListBox& Entries() { return *entries_; }
    // Opens a sub-folder (".." for the parent) or takes a file name, as a double click does.
    void Choose(const std::string& entry);
    // What the OK button does: checks the name; true when the dialog ended with OK.
    bool Accept();

private:
    void Fill();

    Settings settings_;
    std::string chosen_;
    TLabel* folderLabel_;
    TListBox* entries_;
    TListBox* filterList_;
    TEdit* name_;
};

} // namespace plat::comp
