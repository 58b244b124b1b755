// What a test process finds through HOME is its own: the user's settings never reach a test.

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/sys/KnownFolders.h"
#include "platform/sys/SettingsStore.h"

namespace plat::sys {
namespace {

TEST(PrivateHome, TheSettingsStoreAndTheDocumentsFolderAreUnderAHomeOfTheTestsOwn) {
    const char* home = std::getenv("HOME");
    ASSERT_NE(home, nullptr);
    const passwd* user = getpwuid(getuid());
    ASSERT_NE(user, nullptr);
    EXPECT_NE(std::string(home), std::string(user->pw_dir)) << "not the user's own home";
    const std::string root = std::string(home) + "/";
    EXPECT_EQ(SettingsStore().Path().rfind(root, 0), 0u) << SettingsStore().Path();
    EXPECT_EQ(DocumentsFolder().rfind(root, 0), 0u) << DocumentsFolder();
}

} // namespace
} // namespace plat::sys
