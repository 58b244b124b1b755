// A serial receiver plugged by name with `lxq745ctl plug serial <line>`: a line that is not there
// is refused with its path and never listed as a started receiver.

#include <gtest/gtest.h>

#include <string>

#include "tests/driver/host/ChildHost.h"
#include "tests/platform/sys/ScopedChannelNamespace.h"

namespace lxq::host {
namespace {

TEST(SerialPlug, ALineThatIsNotThereIsRefusedAndNotListed) {
    plat::sys::test::ScopedChannelNamespace ns("serialplug");
    test::ChildHost host(std::vector<std::string>{"lxq745d"});
    const auto plug = test::RunToEnd({"lxq745ctl", "plug", "serial", "pts.99999"});
    EXPECT_EQ(plug.status, 1);
    EXPECT_NE(plug.err.find("no serial line \"/dev/pts/99999\""), std::string::npos) << plug.err;
    const auto list = test::RunToEnd({"lxq745ctl", "list"});
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.out.find("pts.99999"), std::string::npos) << list.out;
}

} // namespace
} // namespace lxq::host
