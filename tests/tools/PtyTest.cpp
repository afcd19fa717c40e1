// The simulator's pseudo-terminal links: made and removed without harm to files
// that are not ours. (Bytes through the terminals are the end-to-end tests'.)

#include "Pty.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/TempFolder.h"

namespace headsim {
namespace {

namespace fs = std::filesystem;

TEST(Pty, TheLinkReplacesAnOldLinkRefusesAFileAndLeavesALinkMadeSince) {
    sondrel::test::TempFolder dir;
    const std::string link = dir.file("sonar0");
    fs::create_symlink("/nonexistent", link);
    Pty pty;
    std::string error;
    ASSERT_TRUE(pty.open(error)) << error;
    ASSERT_TRUE(pty.makeLink(link, error)) << error;
    EXPECT_EQ(fs::read_symlink(link), pty.path);
    pty.close();
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));

    const std::string file = dir.write("taken", "keep me");
    Pty second;
    ASSERT_TRUE(second.open(error)) << error;
    EXPECT_FALSE(second.makeLink(file, error));
    EXPECT_EQ(error, file + " exists and is not a symbolic link");
    // A later run took the link over: closing does not pull it away.
    ASSERT_TRUE(second.makeLink(link, error)) << error;
    fs::remove(link);
    fs::create_symlink("/dev/null", link);
    second.close();
    EXPECT_EQ(fs::read_symlink(link), "/dev/null");
    EXPECT_EQ(sondrel::test::readBytes(file), "keep me");
}

}  // namespace
}  // namespace headsim
