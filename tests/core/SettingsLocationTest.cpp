#include "recording/SettingsLocation.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "acquisition/SondrelDoc.h"
#include "recording/SettingsFile.h"
#include "support/TempFolder.h"

using namespace sondrel;
using sondrel::test::TempFolder;

namespace {

std::optional<std::string> optionOf(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    return settingsOptionFrom(static_cast<int>(args.size()), argv.data());
}

// Sets an environment variable for the life of the object.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

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
    EXPECT_EQ(defaultDataDirectory(folder.path()), folder.path() + "/");
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
    EXPECT_EQ(defaultDataDirectory(unwritable), home + "/");
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
    setProgramFolders(doc, folder.path());
    EXPECT_EQ(doc.readDirectory, folder.path() + "/");
    EXPECT_EQ(doc.writeDirectory, folder.path() + "/");
    loadSettings(doc, folder.file(kSettingsFileName));
    EXPECT_EQ(doc.readDirectory, folder.path() + "/");
    EXPECT_EQ(doc.writeDirectory, folder.path() + "/");
}
