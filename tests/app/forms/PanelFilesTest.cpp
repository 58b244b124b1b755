// The panel's own files on a user's disk as they may be: linked elsewhere, or linked to something
// that is no file of ours. The panel writes through links and never reads without a bound; what
// it refuses it says, and it never saves over it.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/forms/TMemoryRecord.h"
#include "app/forms/TQ7form.h"
#include "tests/app/forms/FrontPanelFixture.h"

namespace lxq {
namespace {

namespace fs = std::filesystem;

TMemoryRecord StoredChannel(std::int32_t number, std::int64_t hz) {
    TMemoryRecord r = NewMemoryRecord();
    r.number = number;
    r.frequency = hz;
    r.checksum = MemoryChecksum(r);
    return r;
}

class PanelFiles : public FrontPanel {
protected:
    std::string Folder() {
        const std::string folder = dir.Path() + "/Talvenor/Q745/";
        fs::create_directories(folder);
        return folder;
    }
    void Start() {
        MakePanel({"/sd"}); // no demodulator plug-in here
        form->Q7->SetCalFile(dir.File("lxq745.cal"));
        form->ExecuteDialog = [this](plat::comp::TOpenDialog&) {
            ++dialogs;
            return false; // the user cancels
        };
        form->DoCreate();
        ASSERT_FALSE(form->Quitting());
    }
    int dialogs = 0;
};

TEST_F(PanelFiles, AMemoryFileLinkedElsewhereIsSavedWhereTheLinkPoints) {
    const std::string folder = Folder();
    fs::create_directory(dir.File("shared"));
    const TMemoryRecord first = StoredChannel(1, 7'100'000);
    std::ofstream(dir.File("shared/channels.45m"), std::ios::binary)
        << std::string(reinterpret_cast<const char*>(&first), sizeof first);
    fs::create_symlink(dir.File("shared/channels.45m"), folder + "Q7memory.45m");
    Start();
    ASSERT_EQ(form->Memories().size(), 1u);
    form->Memories().push_back(std::make_unique<TMemoryRecord>(StoredChannel(2, 145'500'000)));
    form->Close();
    EXPECT_TRUE(fs::is_symlink(folder + "Q7memory.45m")) << "the link is still a link";
    EXPECT_EQ(fs::file_size(dir.File("shared/channels.45m")), 2 * sizeof(TMemoryRecord)) << "and its file was saved";
}

TEST_F(PanelFiles, AMemoryFileLinkedToAnEndlessDeviceIsRefusedWithAMessageAndLeftAlone) {
    const std::string folder = Folder();
    fs::create_symlink("/dev/zero", folder + "Q7memory.45m");
    fs::create_symlink("/dev/zero", folder + "exclusions.45e");
    Start();
    EXPECT_TRUE(form->Memories().empty());
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, folder + "exclusions.45e is larger than a list file can be and was not read.\nIt is left as it is.");
    EXPECT_EQ(boxes[1].text, folder + "Q7memory.45m is larger than a memory file can be and was not read.\nIt is left as it is.");
    form->Close();
    EXPECT_EQ(dialogs, 1) << "saving asks for another name instead of writing over it";
    EXPECT_EQ(fs::read_symlink(folder + "Q7memory.45m"), "/dev/zero");
    EXPECT_EQ(fs::read_symlink(folder + "exclusions.45e"), "/dev/zero");
}

} // namespace
} // namespace lxq
