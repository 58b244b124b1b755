#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/components/TButton.h"
#include "platform/components/TEdit.h"
#include "platform/components/TFileDialogForm.h"
#include "platform/components/TInputQueryForm.h"
#include "platform/components/TLabel.h"
#include "platform/components/TListBox.h"
#include "platform/components/TMessageForm.h"
#include "platform/components/TOpenDialog.h"
#include "platform/components/TSaveDialog.h"
#include "tests/platform/components/UiTest.h"

namespace plat::comp {
namespace {

using test::Click;
using test::FindByCaption;
using test::FindFirst;
using test::Key;
using test::ModalScript;
using test::UiTest;
namespace fsys = std::filesystem;

class DialogTest : public UiTest {};

TEST_F(DialogTest, MessageBoxShowsTheTextAndAnswersTheButtonPressed) {
    struct Case {
        std::uint32_t flags;
        const char* press; // caption of the button, or "<esc>"
        int expected;
    };
    const Case cases[] = {
        {MB_OK, "OK", IDOK},
        {MB_OK, "<esc>", IDOK},
        {MB_OKCANCEL | MB_ICONWARNING, "<esc>", IDCANCEL},
        {MB_YESNO, "&No", IDNO},
        {MB_YESNOCANCEL | MB_ICONQUESTION, "&Yes", IDYES},
        {MB_YESNOCANCEL | MB_DEFBUTTON2, "<enter>", IDNO},
        {MB_ABORTRETRYIGNORE, "&Ignore", IDIGNORE},
        {MB_RETRYCANCEL | MB_ICONERROR, "&Retry", IDRETRY},
    };
    for (const Case& c : cases) {
        std::string caption, text;
        ModalScript script;
        script.Then([&](TCustomForm& f) {
            caption = f.Caption();
            if (auto* label = FindFirst<TLabel>(f)) text = label->Caption();
            const std::string press = c.press;
            if (press == "<esc>") Key(&f, vk::Escape);
            else if (press == "<enter>") Key(&f, vk::Return);
            else if (auto* b = FindByCaption<TButton>(f, press)) Click(b);
            else ADD_FAILURE() << "no button " << press;
        });
        EXPECT_EQ(MessageBox("Receiver no longer connected.", "Talvenor Q745", c.flags), c.expected)
            << c.flags << " " << c.press;
        EXPECT_EQ(caption, "Talvenor Q745");
        EXPECT_EQ(text, "Receiver no longer connected.");
    }
}

TEST_F(DialogTest, InputQueryReplacesTheValueOnlyOnOk) {
    std::string value = "old";
    ModalScript script;
    script.Then([](TCustomForm& f) {
        auto* edit = FindFirst<TEdit>(f);
        EXPECT_EQ(edit->SelLength(), 3) << "the old value is selected, so typing replaces it";
        test::Type(&f, "new");
        Key(&f, vk::Return);
    });
    EXPECT_TRUE(InputQuery("Name", "Enter a name:", value));
    EXPECT_EQ(value, "new");
    ModalScript cancel;
    cancel.Then([](TCustomForm& f) {
        test::Type(&f, "other");
        Click(FindByCaption<TButton>(f, "Cancel"));
    });
    EXPECT_FALSE(InputQuery("Name", "Enter a name:", value));
    EXPECT_EQ(value, "new");
}

class FileDialogTest : public UiTest {
protected:
    FileDialogTest() {
        folder = fsys::temp_directory_path() / ("lxq-filedialog-" + std::to_string(::getpid()));
        fsys::create_directories(folder / "sub");
        std::ofstream(folder / "Q7memory.45m") << "x";
        std::ofstream(folder / "notes.txt") << "x";
    }
    ~FileDialogTest() override { fsys::remove_all(folder); }
    fsys::path folder;
};

TEST(FileFilterTest, ParsesPairsAndMatchesWithoutCase) {
    const auto filters = ParseFileFilter("Talvenor Q745 Memory Files| *.45m|All|*.*;*.txt");
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(filters[0].description, "Talvenor Q745 Memory Files");
    EXPECT_EQ(filters[0].patterns, std::vector<std::string>{"*.45m"});
    EXPECT_TRUE(MatchesFilter(filters[0], "Q7MEMORY.45M"));
    EXPECT_FALSE(MatchesFilter(filters[0], "q7memory.45e"));
    EXPECT_TRUE(MatchesFilter(filters[1], "README")) << "*.* takes names without a dot too";
}

TEST_F(FileDialogTest, OpenListsFoldersAndMatchingFilesAndAddsTheDefaultExtension) {
    TOpenDialog dialog(nullptr);
    dialog.SetInitialDir(folder.string());
    dialog.SetFilter("Talvenor Q745 Memory Files| *.45m");
    dialog.SetDefaultExt("45m");
    std::vector<std::string> listed;
    ModalScript script;
    script.Then([&](TCustomForm& f) {
        auto& form = static_cast<TFileDialogForm&>(f);
        listed = form.Entries().Items().Items();
        form.NameEdit().SetText("Q7memory");
        Click(FindByCaption<TButton>(f, "OK"));
    });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(listed, (std::vector<std::string>{"[..]", "[sub]", "Q7memory.45m"}));
    EXPECT_EQ(dialog.FileName(), (folder / "Q7memory.45m").string());
}

TEST_F(FileDialogTest, OpenWithFileMustExistKeepsTheDialogUpForAMissingFile) {
    TOpenDialog dialog(nullptr);
    dialog.SetInitialDir(folder.string());
    dialog.SetOptions(of::FileMustExist);
    ModalScript script;
    script.Then([](TCustomForm& f) {
        static_cast<TFileDialogForm&>(f).NameEdit().SetText("missing.cal");
        Click(FindByCaption<TButton>(f, "OK"));
    });
    script.Then([](TCustomForm& f) { Key(&f, vk::Return); }); // the "not found" box
    script.Then([](TCustomForm& f) {
        // Back in the file dialog, still open: go into the sub-folder, then give up.
        auto& form = static_cast<TFileDialogForm&>(f);
        form.Choose("[sub]");
        EXPECT_EQ(fsys::path(form.Folder()).filename(), "sub");
        Click(FindByCaption<TButton>(f, "Cancel"));
    });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(dialog.FileName(), "");
}

TEST_F(FileDialogTest, SaveAsksBeforeReplacingAnExistingFile) {
    TSaveDialog dialog(nullptr);
    dialog.SetFileName((folder / "notes.txt").string());
    dialog.SetOptions(of::OverwritePrompt);
    std::string title;
    ModalScript script;
    script.Then([&](TCustomForm& f) {
        title = f.Caption();
        Click(FindByCaption<TButton>(f, "OK"));
    });
    script.Then([](TCustomForm& f) { Click(FindByCaption<TButton>(f, "&No")); });
    script.Then([](TCustomForm& f) {
        static_cast<TFileDialogForm&>(f).NameEdit().SetText("fresh.txt");
        Click(FindByCaption<TButton>(f, "OK"));
    });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(title, "Save As");
    EXPECT_EQ(dialog.FileName(), (folder / "fresh.txt").string());
    EXPECT_TRUE(script.Done());
}

} // namespace
} // namespace plat::comp
