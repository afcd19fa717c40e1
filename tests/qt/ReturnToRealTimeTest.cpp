// The whole program plays a data file and returns to real time with "Connect
// to Sonar Head", against the simulated head on loopback, whose log keeps
// every command it received: nothing of the played records may reach the head.

#include <QTest>

#include <gtest/gtest.h>

#include <memory>

#include "acquisition/SondrelDoc.h"
#include "app/CommandIds.h"
#include "app/qt/CMainFrame.h"
#include "app/qt/CSondrelApp.h"
#include "support/HeadSimProcess.h"
#include "support/PlaybackRig.h"

namespace sondrel {
namespace {

TEST(ReturnToRealTime, CommandsAfterPlaybackHoldNothingOfThePlayedRecords) {
    test::HeadSimProcess sim;
    ASSERT_TRUE(sim.start()) << sim.error();
    test::TempFolder folder;
    // Records whose byte 41 is 0xFD and whose byte 43 names data format 4 and
    // a fixed-9 value of 5.
    const std::string data = testing::makeDataFile(folder.file("survey.qzr"), 4);
    std::string bytes = test::readBytes(data);
    for (std::size_t at = 0; at < bytes.size(); at += kRecordSize) {
        bytes[at + rec::kRangeCode] = static_cast<char>(0xFD);
        bytes[at + rec::kFormat] = static_cast<char>((bytes[at + rec::kFormat] & 0x40) | 5);
    }
    folder.write("survey.qzr", bytes);
    StartOptions options;
    options.settingsPath = folder.write(
        "Sondrel.INI", "[System Settings]\r\nSonar Type=1\r\nIP Address=127.0.0.1\r\nIP Port=" +
                           std::to_string(sim.port()) + "\r\n");
    options.dataFile = QString::fromStdString(data);

    auto app = std::make_unique<CSondrelApp>(options);
    ASSERT_TRUE(app->initInstance());
    CSondrelDoc* doc = app->document();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return doc->flags.playbackActive && doc->headOnShow().command[cmd::kFixed9] == 5; },
        15000))
        << "the file was not played";
    const std::size_t before = sim.commands().size();

    app->mainFrame()->executeCommand(kCmdConnect);
    // The program runs its event loop while the head answers.
    EXPECT_TRUE(QTest::qWaitFor([&] { return sim.commands().size() >= before + 5; }, 15000));
    const auto commands = sim.commands();
    ASSERT_GE(commands.size(), before + 5);
    const CommandBuffer realTime = initialCommand();
    for (std::size_t i = before; i < commands.size(); ++i) {
        SCOPED_TRACE(i);
        const auto& sent = commands[i].bytes;
        EXPECT_TRUE(isSendable(sent));
        for (const std::size_t b :
             {cmd::kReserved4, cmd::kFixed9, cmd::kDataFormat, cmd::kFixed22}) {
            EXPECT_EQ(sent[b], realTime[b]) << "byte " << b;
        }
    }
    app->mainFrame()->close();
    app.reset();
}

}  // namespace
}  // namespace sondrel
