// The COM port dialog against the simulated head and orientation instrument on
// two pseudo-terminals that appear as newly plugged USB adapters: the operator
// picks them, presses OK, and the head answers and the instrument reports on
// them from then on, also after the next connect.

#include <QCheckBox>
#include <QComboBox>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

#include "PseudoTerminal.h"
#include "acquisition/AcquisitionCycle.h"
#include "acquisition/qt/OrientationPort.h"
#include "acquisition/qt/SerialDevice.h"
#include "acquisition/qt/SerialHeadPort.h"
#include "app/CommandIds.h"
#include "app/RunSettings.h"
#include "app/qt/CComPortDlg.h"
#include "app/qt/CMainFrame.h"
#include "app/qt/SetupCommands.h"
#include "common/IniFile.h"
#include "support/HeadSimProcess.h"
#include "support/Operators.h"
#include "support/TempFolder.h"

namespace sondrel {
namespace {

namespace fs = std::filesystem;

// Picks the entry whose text names the adapter; false when none does.
bool pick(QComboBox* list, const QString& adapter) {
    for (int i = 0; i < list->count(); ++i) {
        if (list->itemText(i).contains(adapter)) {
            list->setCurrentIndex(i);
            return true;
        }
    }
    return false;
}

// The window, the cycle and the real serial ports of a run with the settings
// file given; /dev/ttyS* are never touched.
struct Rig {
    CSondrelDoc doc;
    RunSettings settings;
    SystemClock clock;
    testing::ScriptedOperator op;
    std::unique_ptr<CMainFrame> frame = std::make_unique<CMainFrame>(doc);
    AcquisitionCycle cycle{doc, frame->timerHost(), clock};
    SerialHeadPort serial{&cycle};
    OrientationPort orientation;
    std::unique_ptr<SetupCommands> setup;
    std::unique_ptr<SetupActions> actions;

    Rig(const std::string& settingsPath, const std::string& byId) : settings(settingsPath) {
        serial.setPortNames(comPortResolverFor(settingsPath));
        orientation.setPortNames(comPortResolverFor(settingsPath));
        cycle.setSerialLink(&serial);
        cycle.setOrientationLink(&orientation);
        cycle.setSettingsStore(&settings);
        frame->setCycle(&cycle);
        SetupPeers peers;
        peers.cycle = &cycle;
        peers.op = &op;
        peers.saveSettings = [this](CSondrelDoc& d) {
            settings.save(d);
            return settings.lastSaveSucceeded();
        };
        peers.settingsPath = settingsPath;
        peers.probe = [](const std::string& device) {
            return device.rfind("/dev/ttyS", 0) == 0 ? PortState::Missing
                                                     : probeSerialDevice(device);
        };
        peers.byIdFolder = byId;
        setup = std::make_unique<SetupCommands>(*frame, doc, peers);
        actions = std::make_unique<SetupActions>(frame->commands(), doc, frame->timerHost(), *setup,
                                                 std::move(peers));
    }
};

TEST(ComPortDialog, NewAdaptersChosenInTheDialogCarryTheHeadAndTheInstrument) {
    test::TempFolder folder;
    const std::string byId = folder.file("by-id");
    fs::create_directories(byId);
    test::HeadSimProcess sim({"--no-tcp", "--pty-link", byId + "/usb-Sim_Head_01-if00-port0",
                              "--orientation-link", byId + "/usb-Sim_Crawler_02-if00"});
    ASSERT_TRUE(sim.start()) << sim.error();

    // A serial head on a port that is not there, and no orientation input.
    const std::string settingsPath =
        folder.write("Sondrel.INI",
                     "[System Settings]\r\nSonar Type=0\r\nSonarComPort=1\r\nPRDEnable=0\r\n"
                     "[COM Ports]\r\nCOM1=" +
                         folder.file("ttyGone") + "\r\n");
    Rig rig(settingsPath, byId);
    auto& [doc, settings, clock, op, frame, cycle, serial, orientation, setup, actions] = rig;

    cycle.connectToHead();
    ASSERT_EQ(doc.head.sonarType, kTypeP);
    EXPECT_EQ(doc.link.linkState, LinkState::NotConnected);

    QString headEntry, crawlerEntry;
    setup->setDialogRunner([&](QDialog& dialog) {
        auto* ports = dynamic_cast<CComPortDlg*>(&dialog);
        EXPECT_NE(ports, nullptr);
        if (!ports) return int(QDialog::Rejected);
        EXPECT_TRUE(ports->headPortList()->isEnabled());
        EXPECT_FALSE(ports->orientationPortList()->isEnabled());
        ports->orientationEnableBox()->setChecked(true);
        EXPECT_TRUE(ports->orientationPortList()->isEnabled());
        EXPECT_TRUE(pick(ports->headPortList(), QStringLiteral("usb-Sim_Head_01")));
        EXPECT_TRUE(pick(ports->orientationPortList(), QStringLiteral("usb-Sim_Crawler_02")));
        headEntry = ports->headPortList()->currentText();
        crawlerEntry = ports->orientationPortList()->currentText();
        return int(QDialog::Accepted);
    });
    ASSERT_TRUE(frame->executeCommand(kCmdComPortSetup));
    EXPECT_TRUE(op.messages.empty()) << op.messages.front();
    EXPECT_TRUE(headEntry.endsWith(QStringLiteral("(new)"))) << headEntry.toStdString();

    // Each adapter got a number of its own, kept in the settings file.
    const ComPortMap map = ComPortMap::fromSettingsFile(settingsPath);
    EXPECT_EQ(map.deviceFor(doc.link.sonarComPort), byId + "/usb-Sim_Head_01-if00-port0");
    EXPECT_EQ(map.deviceFor(doc.link.prdComPort), byId + "/usb-Sim_Crawler_02-if00");
    EXPECT_NE(doc.link.sonarComPort, doc.link.prdComPort);
    EXPECT_EQ(doc.link.prdEnable, 1);
    EXPECT_EQ(doc.link.linkState, LinkState::Connected);

    ASSERT_TRUE(QTest::qWaitFor([&] { return doc.pings.pingCount >= 3; }, 20000))
        << "pings " << doc.pings.pingCount;
    ASSERT_TRUE(QTest::qWaitFor([&] { return doc.orientation.pitchValid == 1; }, 20000));

    // The next connect reads the same ports back from the file.
    const int headPort = doc.link.sonarComPort;
    const int pings = doc.pings.pingCount;
    cycle.connectToHead();
    EXPECT_EQ(doc.link.sonarComPort, headPort);
    EXPECT_TRUE(QTest::qWaitFor([&] { return doc.pings.pingCount >= pings + 3; }, 20000));

    // A port that has gone is named with what to do about it.
    setup->setDialogRunner([&](QDialog& dialog) {
        auto* ports = dynamic_cast<CComPortDlg*>(&dialog);
        EXPECT_TRUE(ports && pick(ports->headPortList(), QStringLiteral("COM1 ")));
        return int(QDialog::Accepted);
    });
    ASSERT_TRUE(frame->executeCommand(kCmdComPortSetup));
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.messages.front(), "COM1 (" + folder.file("ttyGone") +
                                       ") does not exist. Plug the adapter in, or choose "
                                       "another port in COM Port Setup.");
    EXPECT_EQ(doc.link.linkState, LinkState::NotConnected);
    cycle.shutdown();
}

// The text of the entry for a COM number, empty when it is not listed.
QString entryFor(QComboBox* list, int number) {
    const QString name = QStringLiteral("COM%1 ").arg(number);
    for (int i = 0; i < list->count(); ++i)
        if (list->itemText(i).startsWith(name)) return list->itemText(i);
    return {};
}

TEST(ComPortDialog, OnlyWhatTheProgramHoldsIsMarkedAsItsOwn) {
    test::TempFolder folder;
    test::PseudoTerminal crawler;
    // A serial head set to a missing device, and a crawler on COM4.
    const std::string settingsPath =
        folder.write("Sondrel.INI",
                     "[System Settings]\r\nSonarComPort=1\r\nEnablePRDInput=1\r\nPRDComPort=4\r\n"
                     "[COM Ports]\r\nCOM1=" +
                         folder.file("ttyGone") + "\r\nCOM4=" + crawler.slavePath() + "\r\n");
    Rig rig(settingsPath, folder.file("no-by-id"));
    rig.settings.load(rig.doc);
    ASSERT_TRUE(rig.cycle.orientation().openOrientationPort());

    // Head on Ethernet or on its missing port: only the crawler's port is the program's.
    for (const int type : {int(kTypeQ), int(kTypeP)}) {
        rig.doc.head.sonarType = type;
        rig.setup->setDialogRunner([](QDialog& dialog) {
            auto* list = dynamic_cast<CComPortDlg&>(dialog).headPortList();
            EXPECT_TRUE(entryFor(list, 1).endsWith(QStringLiteral("(not present)")));
            EXPECT_TRUE(entryFor(list, 4).endsWith(QStringLiteral("(in use here)")));
            // The crawler's port chosen for the head is said to be the crawler's.
            return int(pick(list, QStringLiteral("COM4 ")) ? QDialog::Accepted : QDialog::Rejected);
        });
        ASSERT_TRUE(rig.frame->executeCommand(kCmdComPortSetup));
    }
    ASSERT_EQ(rig.op.messages.size(), 1u);
    EXPECT_EQ(rig.op.messages.front(),
              "COM4 (" + crawler.slavePath() +
                  ") is the orientation input's port in this program. Choose another port for "
                  "the sonar head in COM Port Setup.");
    EXPECT_TRUE(rig.orientation.isOpen());
    rig.cycle.shutdown();
}

}  // namespace
}  // namespace sondrel
