#include "recording/SettingsLocation.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "acquisition/SondrelDoc.h"
#include "recording/SettingsFile.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"

using namespace sondrel;
using sondrel::test::ScopedEnv;
using sondrel::test::TempFolder;

namespace {

std::optional<std::string> optionOf(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    return settingsOptionFrom(static_cast<int>(args.size()), argv.data());
}

}  // namespace

TEST(SettingsLocation, SettingsOptionInBothSpellings) {
    EXPECT_FALSE(optionOf({"sondrel"}));
    EXPECT_EQ(optionOf({"sondrel", "--settings", "/a/b.INI"}), "/a/b.INI");
    EXPECT_EQ(optionOf({"sondrel", "in.qzr", "--settings=/c.INI", "out.xyz"}), "/c.INI");
    EXPECT_EQ(optionOf({"sondrel", "--settings", "/first", "--settings=/second"}), "/second");
    EXPECT_FALSE(optionOf({"sondrel", "--settings"}));
    EXPECT_FALSE(optionOf({"sondrel", "--settings="}));
    EXPECT_FALSE(optionOf({"sondrel", "--settingsfile=/x"}));
    EXPECT_FALSE(optionOf({"sondrel", "--", "--settings", "/x"}));
}

TEST(SettingsLocation, ExecutableDirectoryIsTheFolderOfThisProgram) {
    const std::string folder = executableDirectory();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(std::filesystem::exists(folder + "core_tests"));
}

TEST(SettingsLocation, BesideTheExecutableWhenThatFolderIsWritable) {
    TempFolder folder;
    EXPECT_EQ(defaultSettingsPath(folder.path()), folder.file(kSettingsFileName));
    EXPECT_EQ(defaultSettingsPath(folder.path() + "/"), folder.file(kSettingsFileName));
}

TEST(SettingsLocation, OtherwiseInTheUsersConfigurationFolder) {
    TempFolder folder;
    // A folder below a plain file can never be written, even by root.
    const std::string unwritable = folder.write("plain", "") + "/bin/";
    const std::string home = folder.file("home");
    std::filesystem::create_directory(home);
    ScopedEnv homeEnv("HOME", home.c_str());

    {
        const std::string config = folder.file("config");
        ScopedEnv xdg("XDG_CONFIG_HOME", config.c_str());
        EXPECT_EQ(defaultSettingsPath(unwritable), config + "/Sondrel/" + kSettingsFileName);
        EXPECT_TRUE(std::filesystem::is_directory(config + "/Sondrel"));
    }
    for (const char* xdg : {static_cast<const char*>(nullptr), "", "relative/config"}) {
        ScopedEnv xdgEnv("XDG_CONFIG_HOME", xdg);
        EXPECT_EQ(defaultSettingsPath(unwritable), home + "/.config/Sondrel/" + kSettingsFileName);
    }
    EXPECT_TRUE(std::filesystem::is_directory(home + "/.config/Sondrel"));
}

TEST(SettingsLocation, DataFilesGoToTheUsersDocumentsFolder) {
    TempFolder folder;
    const std::string home = folder.file("home");
    const std::string config = folder.file("config");
    std::filesystem::create_directories(config);
    ScopedEnv homeEnv("HOME", home.c_str());
    ScopedEnv configEnv("XDG_CONFIG_HOME", config.c_str());
    struct Case {
        const char* variable;  // XDG_DOCUMENTS_DIR
        const char* userDirs;  // the line in user-dirs.dirs, if any
        std::string expected;
    };
    const std::vector<Case> cases = {
        {nullptr, nullptr, home + "/Documents/Sondrel/"},
        {nullptr, "XDG_DOCUMENTS_DIR=\"$HOME/Papers\"", home + "/Papers/Sondrel/"},
        {nullptr, "XDG_DOCUMENTS_DIR=\"/srv/docs/\"", "/srv/docs/Sondrel/"},
        {nullptr, "XDG_DOCUMENTS_DIR=\"$HOME/\"", home + "/Documents/Sondrel/"},
        {nullptr, "XDG_DOCUMENTS_DIRX=\"/x\"", home + "/Documents/Sondrel/"},
        {"/data/mine", "XDG_DOCUMENTS_DIR=\"/srv/docs\"", "/data/mine/Sondrel/"},
        {"relative", nullptr, home + "/Documents/Sondrel/"},
    };
    for (const Case& c : cases) {
        ScopedEnv documents("XDG_DOCUMENTS_DIR", c.variable);
        std::filesystem::remove(config + "/user-dirs.dirs");
        if (c.userDirs)
            folder.write("config/user-dirs.dirs", std::string("# x\n") + c.userDirs + "\n");
        EXPECT_EQ(defaultDataDirectory(), c.expected) << (c.userDirs ? c.userDirs : "-");
    }
    // Only a file written there makes the folder.
    EXPECT_FALSE(std::filesystem::exists(home + "/Documents"));
}

TEST(SettingsLocation, TheOptionOverridesTheDefaultPlace) {
    std::string program = "sondrel", option = "--settings=/tmp/elsewhere.INI";
    char* argv[] = {program.data(), option.data(), nullptr};
    EXPECT_EQ(settingsPathFor(2, argv), "/tmp/elsewhere.INI");
    char* bare[] = {program.data(), nullptr};
    EXPECT_EQ(settingsPathFor(1, bare), defaultSettingsPath(executableDirectory()));
}

TEST(SettingsLocation, ProgramFoldersAreSetBeforeTheFirstLoadAndSurviveAFileWithoutThem) {
    TempFolder folder;
    CSondrelDoc doc;
    const std::string home = folder.file("home");
    ScopedEnv homeEnv("HOME", home.c_str());
    ScopedEnv documents("XDG_DOCUMENTS_DIR", nullptr);
    setProgramFolders(doc);
    EXPECT_EQ(doc.files.readDirectory, home + "/Documents/Sondrel/");
    EXPECT_EQ(doc.files.writeDirectory, home + "/Documents/Sondrel/");
    loadSettings(doc, folder.file(kSettingsFileName));
    EXPECT_EQ(doc.files.readDirectory, home + "/Documents/Sondrel/");
    EXPECT_EQ(doc.files.writeDirectory, home + "/Documents/Sondrel/");
    // A folder the settings file names is kept as it is.
    folder.write(kSettingsFileName,
                 "[System Settings]\r\nWrite File Directory=/srv/run/\r\n"
                 "Read File Directory=/srv/in/\r\n");
    loadSettings(doc, folder.file(kSettingsFileName));
    EXPECT_EQ(doc.files.writeDirectory, "/srv/run/");
    EXPECT_EQ(doc.files.readDirectory, "/srv/in/");
}
