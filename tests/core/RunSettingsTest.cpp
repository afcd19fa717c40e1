// A run pointed at the simulated head uses it throughout, yet the operator's
// settings file keeps the operator's own head.

#include <gtest/gtest.h>

#include <filesystem>

#include <memory>

#include "acquisition/SondrelDoc.h"
#include "app/RunSettings.h"
#include "common/IniFile.h"
#include "recording/SettingsFile.h"
#include "support/TempFolder.h"

namespace sondrel {
namespace {

constexpr const char* kOperatorsFile =
    "[System Settings]\r\n"
    "Sonar Type=0\r\n"
    "IP Address=192.168.0.77\r\n"
    "Zoom=1.5\r\n";

std::unique_ptr<CSondrelDoc> freshDoc() {
    return std::make_unique<CSondrelDoc>();
}

TEST(RunSettingsTest, WithoutAnOverrideItIsTheSettingsFile) {
    test::TempFolder folder;
    const std::string path = folder.write("Sondrel.INI", kOperatorsFile);
    RunSettings settings(path);
    auto doc = freshDoc();
    settings.load(*doc);
    EXPECT_EQ(doc->link.ipAddress, "192.168.0.77");
    doc->display.zoom = 3.0;
    doc->head.sonarType = kTypeQ;
    settings.save(*doc);
    EXPECT_TRUE(settings.lastSaveSucceeded());

    auto reread = freshDoc();
    loadSettings(*reread, path);
    EXPECT_DOUBLE_EQ(reread->display.zoom, 3.0);
    EXPECT_EQ(reread->head.sonarType, kTypeQ);
}

TEST(RunSettingsTest, TheOverriddenHeadIsUsedAfterEveryLoadButNeverSaved) {
    test::TempFolder folder;
    const std::string path = folder.write("Sondrel.INI", kOperatorsFile);
    RunSettings settings(path);
    settings.overrideHead({kTypeQ, "127.0.0.1", 40123});
    auto doc = freshDoc();

    for (int connect = 0; connect < 2; ++connect) {
        settings.load(*doc);
        EXPECT_EQ(doc->head.sonarType, kTypeQ);
        EXPECT_EQ(doc->link.ipAddress, "127.0.0.1");
        EXPECT_EQ(doc->link.ipPort, 40123);
        EXPECT_DOUBLE_EQ(doc->display.zoom, 1.5);  // everything else comes from the file
    }

    doc->display.zoom = 2.0;
    settings.save(*doc);
    // The run keeps its head after saving ...
    EXPECT_EQ(doc->link.ipAddress, "127.0.0.1");
    EXPECT_EQ(doc->link.ipPort, 40123);
    EXPECT_EQ(doc->head.sonarType, kTypeQ);

    // ... and the file keeps the operator's, with the other changes saved.
    auto reread = freshDoc();
    loadSettings(*reread, path);
    EXPECT_EQ(reread->head.sonarType, kTypeP);
    EXPECT_EQ(reread->link.ipAddress, "192.168.0.77");
    EXPECT_EQ(reread->link.ipPort, 4040);
    EXPECT_DOUBLE_EQ(reread->display.zoom, 2.0);
    IniFile ini;
    ASSERT_EQ(ini.load(path), IniFile::LoadResult::Loaded);
    EXPECT_FALSE(ini.value(kSystemSettingsSection, "IP Port").has_value());
}

TEST(RunSettingsTest, ASaveBeforeAnyLoadStillKeepsTheOperatorsHead) {
    test::TempFolder folder;
    const std::string path = folder.write("Sondrel.INI", kOperatorsFile);
    RunSettings settings(path);
    settings.overrideHead({kTypeQ, "127.0.0.1", 40123});
    auto doc = freshDoc();
    doc->head.sonarType = kTypeQ;
    doc->link.ipAddress = "127.0.0.1";
    doc->link.ipPort = 40123;
    settings.save(*doc);

    auto reread = freshDoc();
    loadSettings(*reread, path);
    EXPECT_EQ(reread->head.sonarType, kTypeP);
    EXPECT_EQ(reread->link.ipAddress, "192.168.0.77");
}

// Each way the file cannot be written gives the system's reason, and the next
// save that succeeds forgets it.
TEST(RunSettingsTest, AnUnwritableFileIsReportedAsAFailedSaveWithItsReason) {
    test::TempFolder folder;
    const std::string notAFolder = folder.write("plain-file", "x");
    std::filesystem::create_symlink("/dev/full", folder.file("device.INI"));
    struct Case {
        std::string path;
        const char* reason;
    };
    for (const Case& c :
         {Case{notAFolder + "/Sondrel.INI", "Not a directory"},
          Case{folder.file("device.INI"), "the file could not be read, and was left as it was"}}) {
        SCOPED_TRACE(c.path);
        RunSettings settings(c.path);
        auto doc = freshDoc();
        settings.save(*doc);
        EXPECT_FALSE(settings.lastSaveSucceeded());
        EXPECT_EQ(settings.lastSaveFailure(), c.reason);
    }
    RunSettings settings(folder.file("Sondrel.INI"));
    auto doc = freshDoc();
    settings.save(*doc);
    EXPECT_TRUE(settings.lastSaveSucceeded());
    EXPECT_EQ(settings.lastSaveFailure(), "");
}

// The simulated instrument is this run's orientation input, reached through a
// COM number of its own; the file keeps the operator's instrument and ports.
TEST(RunSettingsTest, TheRunsOrientationInstrumentIsUsedButNeverSaved) {
    test::TempFolder folder;
    const std::string path =
        folder.write("Sondrel.INI", std::string(kOperatorsFile) +
                                        "EnablePRDInput=0\r\nPRDComPort=3\r\nSentenceType=2\r\n"
                                        "[COM Ports]\r\nCOM3=/dev/ttyUSB7\r\n");
    RunSettings settings(path);
    settings.overrideOrientation(
        {.comPort = 200, .baud = 38400, .sentenceType = 0, .device = "/dev/pts/42"});
    auto doc = freshDoc();
    settings.load(*doc);
    EXPECT_EQ(doc->link.prdEnable, 1);
    EXPECT_EQ(doc->link.prdComPort, 200);
    EXPECT_EQ(doc->link.sentenceType, 0);
    EXPECT_EQ(doc->link.ipAddress, "192.168.0.77") << "the head is the file's";
    const ComPortResolver ports = settings.portNames();
    EXPECT_EQ(ports(200), "/dev/pts/42");
    EXPECT_EQ(ports(3), "/dev/ttyUSB7");

    doc->display.zoom = 2.5;
    settings.save(*doc);
    EXPECT_EQ(doc->link.prdComPort, 200) << "the run goes on with its instrument";
    auto reread = freshDoc();
    loadSettings(*reread, path);
    EXPECT_EQ(reread->link.prdEnable, 0);
    EXPECT_EQ(reread->link.prdComPort, 3);
    EXPECT_EQ(reread->link.sentenceType, 2);
    EXPECT_DOUBLE_EQ(reread->display.zoom, 2.5);
}

}  // namespace
}  // namespace sondrel
