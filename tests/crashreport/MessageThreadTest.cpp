#include "crashreport/sys/MessageThread.h"
#include "crashreport/sys/ThreadIdentity.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

using errvane::MessageThread;

TEST(MessageThread, ShowsOnItsOwnThreadOnStandardErrorWithoutADisplay) {
    unsetenv("DISPLAY");
    EXPECT_FALSE(MessageThread::ShowAndWait("not running", "Exception"));
    ASSERT_TRUE(MessageThread::Start());
    EXPECT_NE(MessageThread::Id(), 0);
    EXPECT_NE(MessageThread::Id(), errvane::ThreadIdentity::Current());

    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    const int savedError = dup(STDERR_FILENO);
    dup2(ends[1], STDERR_FILENO);
    const bool shown = MessageThread::ShowAndWait("The report is at\r\n\r\n/x/y.log", "Exception");
    dup2(savedError, STDERR_FILENO);
    close(savedError);
    close(ends[1]);
    std::string output;
    char buffer[256];
    for (ssize_t n; (n = read(ends[0], buffer, sizeof buffer)) > 0;) output.append(buffer, static_cast<std::size_t>(n));
    close(ends[0]);
    EXPECT_TRUE(shown);
    EXPECT_EQ(output, "Exception: The report is at\r\n\r\n/x/y.log\n");
    MessageThread::Stop();
    EXPECT_EQ(MessageThread::Id(), 0);
}
