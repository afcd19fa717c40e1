// The COM port setup: which ports are offered and how, the dialog's values and
// enabled controls, and what OK does to the document and the ports.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include "acquisition/AcquisitionCycle.h"
#include "acquisition/ComPortSetup.h"
#include "common/IniFile.h"
#include "support/CycleFakes.h"
#include "support/TempFolder.h"

namespace sondrel {
namespace {

namespace fs = std::filesystem;

// A /dev-like folder: device files are plain files here, and the prober says
// what each one would do when opened.
struct DevFolder {
    test::TempFolder root;
    std::map<std::string, PortState> states;

    std::string device(const std::string& name, PortState state = PortState::Available) {
        const std::string path = root.write(name, "");
        states[path] = state;
        return path;
    }
    void adapter(const std::string& byIdName, const std::string& target) {
        fs::create_directories(byId());
        fs::create_symlink(target, byId() + "/" + byIdName);
    }
    std::string byId() const { return root.path() + "/serial/by-id"; }
    PortProber prober() const {
        return [this](const std::string& path) {
            const auto resolved = fs::weakly_canonical(path).string();
            for (const auto& [device, state] : states)
                if (fs::weakly_canonical(device).string() == resolved) return state;
            return PortState::Missing;
        };
    }
};

const ComPortEntry* find(const std::vector<ComPortEntry>& list, int number) {
    for (const ComPortEntry& e : list)
        if (e.number == number) return &e;
    return nullptr;
}

TEST(ComPortSetup, ListsUsablePortsMappedPortsAndTheTwoInUse) {
    DevFolder dev;
    ComPortMap map;
    map.setDevice(1, dev.device("ttyS0"));
    map.setDevice(2, dev.device("ttyS1", PortState::NoHardware));
    map.setDevice(3, dev.device("ttyUSB0"));
    map.setDevice(4, dev.root.file("ttyUSB9"));  // unplugged
    map.setDevice(5, dev.device("ttyUSB1", PortState::NoPermission));
    dev.adapter("usb-FTDI_FT232R_A1-if00-port0", dev.root.file("ttyUSB0"));

    // The head holds COM3; the orientation input is set to COM40 but not open.
    const auto list = listComPorts(map, dev.prober(), 3, 40, {.head = 3}, dev.byId());

    std::set<int> numbers;
    for (const ComPortEntry& e : list) numbers.insert(e.number);
    EXPECT_EQ(numbers, (std::set<int>{1, 2, 3, 4, 5, 40}));
    EXPECT_EQ(find(list, 1)->label(), "COM1   " + dev.root.file("ttyS0"));
    EXPECT_EQ(find(list, 3)->adapterName, "usb-FTDI_FT232R_A1-if00-port0");
    EXPECT_EQ(find(list, 3)->label(), "COM3   " + dev.root.file("ttyUSB0") +
                                          "   usb-FTDI_FT232R_A1-if00-port0   (in use here)");
    EXPECT_EQ(find(list, 4)->label(), "COM4   " + dev.root.file("ttyUSB9") + "   (not present)");
    EXPECT_EQ(find(list, 5)->state, PortState::NoPermission);
    // The orientation port is offered although nothing stands behind it, as it is.
    EXPECT_EQ(find(list, 40)->label(), "COM40   /dev/ttyS39   (not present)");
    EXPECT_FALSE(find(list, 3)->newMapping);
}

TEST(ComPortSetup, APortThisProgramHoldsIsItsOwnUnderAnyName) {
    DevFolder dev;
    ComPortMap map;
    map.setDevice(5, dev.device("pts5", PortState::Busy));  // locked, by us or not
    dev.adapter("usb-Crawler_01-if00", dev.root.file("pts5"));
    const std::string byName = dev.byId() + "/usb-Crawler_01-if00";
    EXPECT_EQ(portStateHere(byName, dev.prober(), map, {.head = 5}), PortState::HeadPortHere);
    EXPECT_EQ(portStateHere(byName, dev.prober(), map, {.orientation = 5}),
              PortState::OrientationPortHere);
    EXPECT_EQ(portStateHere(byName, dev.prober(), map, {}), PortState::Busy);
}

TEST(ComPortSetup, AdaptersWithoutANumberAreOfferedUnderTheLowestFreeOne) {
    DevFolder dev;
    ComPortMap map;
    map.setDevice(1, dev.device("ttyS0"));
    map.setDevice(2, dev.device("ttyS1", PortState::Busy));
    map.setDevice(3, dev.device("ttyS2", PortState::NoHardware));
    dev.device("ttyUSB0");
    dev.device("ttyACM0");
    dev.adapter("usb-Prolific_B-if00-port0", dev.root.file("ttyUSB0"));
    dev.adapter("usb-Arduino_C-if00", dev.root.file("ttyACM0"));

    const auto list = listComPorts(map, dev.prober(), 1, 0, {.head = 1}, dev.byId());

    // COM3 is a node without a line, COM4 is free; by-id names come in order.
    const ComPortEntry* first = find(list, 4);
    const ComPortEntry* second = find(list, 5);
    ASSERT_TRUE(first && second);
    EXPECT_TRUE(first->newMapping);
    EXPECT_EQ(first->device, dev.byId() + "/usb-Arduino_C-if00");
    EXPECT_EQ(first->label(), "COM4   " + dev.byId() + "/usb-Arduino_C-if00   (new)");
    EXPECT_EQ(second->adapterName, "usb-Prolific_B-if00-port0");
    // A busy port keeps its number even though it is offered with its mark.
    EXPECT_EQ(find(list, 2)->label(), "COM2   " + dev.root.file("ttyS1") + "   (busy)");
}

TEST(ComPortSetup, ProblemMessagesNameTheDeviceAndTheRemedy) {
    const struct {
        PortState state;
        const char* words;
    } cases[] = {
        {PortState::Missing, "does not exist. Plug the adapter in"},
        {PortState::Busy, "in use by another program"},
        {PortState::NoPermission, "dialout group"},
        {PortState::NoHardware, "no serial line behind it"},
        {PortState::NotATerminal, "is not a serial port"},
        {PortState::Failed, "could not be opened"},
        {PortState::HeadPortHere, "is the sonar head's port in this program"},
        {PortState::OrientationPortHere, "is the orientation input's port in this program"},
    };
    for (const auto& c : cases) {
        const std::string text = portProblemMessage(6, "/dev/ttyUSB3", c.state);
        EXPECT_EQ(text.rfind("COM6 (/dev/ttyUSB3) ", 0), 0u) << text;
        EXPECT_NE(text.find(c.words), std::string::npos) << text;
    }
    EXPECT_EQ(portProblemMessage(6, "/dev/ttyUSB3", PortState::Available), "");
}

TEST(ComPortSetup, DialogValuesAndItsEnablingRule) {
    for (const auto& [baud, index] : std::map<int, int>{
             {4800, 0}, {9600, 1}, {19200, 2}, {38400, 3}, {57600, 4}, {115200, 5}, {1200, 0}}) {
        EXPECT_EQ(baudIndexFor(baud), index) << baud;
    }
    EXPECT_EQ(baudForIndex(3), 38400);

    CSondrelDoc doc;
    doc.link.prdBaud = 38400;
    doc.link.prdEnable = 1;
    ComPortChoices c = ComPortChoices::fromDocument(doc);
    EXPECT_EQ(c.baudIndex, 3);
    auto states = comPortControlStates(c, kTypeP);
    EXPECT_TRUE(states.headControls && states.orientationControls && states.baudList);

    // Reach instruments talk at 9600 only; leaving Reach keeps 9600 but unlocks it.
    c.setSentenceType(kSentenceReach);
    EXPECT_EQ(c.baudIndex, 1);
    EXPECT_FALSE(comPortControlStates(c, kTypeP).baudList);
    c.setSentenceType(kSentenceCableHash);
    EXPECT_EQ(c.baudIndex, 1);
    EXPECT_TRUE(comPortControlStates(c, kTypeP).baudList);

    c.orientationEnable = 0;
    states = comPortControlStates(c, kTypeQ);
    EXPECT_FALSE(states.headControls || states.orientationControls || states.baudList);
}

struct SetupRig {
    CSondrelDoc doc;
    testing::VirtualClock clock;
    testing::VirtualTimerHost timers{clock};
    testing::FakeSerialLink serial;
    testing::FakeOrientationLink orientation;
    AcquisitionCycle cycle{doc, timers, clock};
    test::TempFolder folder;
    std::string settingsPath = folder.file("Sondrel.INI");
    int saves = 0;
    bool saveWorks = true;
    std::string suspendedAtOpen;

    SetupRig() {
        cycle.setSerialLink(&serial);
        cycle.setOrientationLink(&orientation);
    }
    ComPortSetupResult ok(const ComPortChoices& c) {
        return applyComPortSetup(
            cycle,
            [this](CSondrelDoc& d) {
                ++saves;
                EXPECT_EQ(d.link.portsSuspended, 0);
                return saveWorks;
            },
            settingsPath, c);
    }
};

TEST(ComPortSetup, OkReopensOnlyWhatChangedAndSavesTheSettings) {
    SetupRig rig;
    rig.doc.head.sonarType = kTypeP;
    rig.doc.link.sonarComPort = 1;
    rig.doc.link.headAnswering = true;
    ComPortChoices c = ComPortChoices::fromDocument(rig.doc);
    c.rtsEnable = 1;
    c.orientationEnable = 1;
    c.orientationPort = 5;
    c.baudIndex = 2;
    c.sentenceType = kSentenceCableDollar;

    ComPortSetupResult r = rig.ok(c);
    EXPECT_FALSE(r.headReopened);  // same head port, answering: left alone
    EXPECT_EQ(rig.serial.opens, 0);
    EXPECT_EQ(rig.doc.link.rtsEnable, 1);
    EXPECT_EQ(rig.doc.link.prdComPort, 5);
    EXPECT_EQ(rig.doc.link.prdBaud, 19200);
    EXPECT_EQ(rig.doc.link.sentenceType, kSentenceCableDollar);
    EXPECT_TRUE(r.orientationOpened);
    EXPECT_EQ(rig.orientation.openedPort, 5);
    EXPECT_EQ(rig.saves, 1);

    // A new head port reopens; a port that fails leaves the link down and says so.
    c.headPort = 2;
    rig.serial.openSucceeds = false;
    rig.saveWorks = false;
    r = rig.ok(c);
    EXPECT_TRUE(r.headReopened);
    EXPECT_FALSE(r.headOpen);
    EXPECT_FALSE(r.settingsSaved);
    EXPECT_EQ(rig.doc.link.sonarComPort, 2);
    EXPECT_EQ(rig.doc.link.linkState, LinkState::NotConnected);
    // The orientation port was closed with its closing bytes before reopening.
    EXPECT_NE(rig.orientation.log.find("w:L;w:D;close;open;"), std::string::npos)
        << rig.orientation.log;
    EXPECT_EQ(rig.doc.link.portsSuspended, 0);

    // The same port, its head not answering (it went away): opened again.
    rig.serial.openSucceeds = true;
    r = rig.ok(c);
    EXPECT_TRUE(r.headReopened);
    EXPECT_TRUE(r.headOpen);
    EXPECT_EQ(rig.doc.link.linkState, LinkState::Connected);
}

TEST(ComPortSetup, AnEthernetHeadKeepsItsSerialSettings) {
    SetupRig rig;
    rig.doc.head.sonarType = kTypeQ;
    rig.doc.link.sonarComPort = 1;
    ComPortChoices c = ComPortChoices::fromDocument(rig.doc);
    c.headPort = 9;
    c.rtsEnable = 1;
    c.newHeadDevice = "/dev/serial/by-id/usb-x";
    rig.ok(c);
    EXPECT_EQ(rig.doc.link.sonarComPort, 1);
    EXPECT_EQ(rig.doc.link.rtsEnable, 0);
    EXPECT_EQ(rig.serial.opens, 0);
    EXPECT_FALSE(fs::exists(rig.settingsPath));  // no mapping for a head not on a line
}

TEST(ComPortSetup, ANewAdapterGetsItsNumberInTheSettingsFileBeforeItOpens) {
    SetupRig rig;
    rig.folder.write("Sondrel.INI", "[System Settings]\r\nSonarComPort=1\r\n");
    rig.doc.head.sonarType = kTypeP;
    ComPortChoices c = ComPortChoices::fromDocument(rig.doc);
    c.headPort = 4;
    c.newHeadDevice = "/dev/serial/by-id/usb-head";
    c.orientationEnable = 1;
    c.orientationPort = 5;
    c.newOrientationDevice = "/dev/serial/by-id/usb-crawler";
    const ComPortSetupResult r = rig.ok(c);
    EXPECT_TRUE(r.mappingSaved);
    const ComPortMap map = ComPortMap::fromSettingsFile(rig.settingsPath);
    EXPECT_EQ(map.deviceFor(4), "/dev/serial/by-id/usb-head");
    EXPECT_EQ(map.deviceFor(5), "/dev/serial/by-id/usb-crawler");
    IniFile ini;
    ini.load(rig.settingsPath);
    EXPECT_EQ(ini.readInt("System Settings", "SonarComPort", 0), 1);  // the rest is kept
    EXPECT_EQ(rig.serial.opens, 1);
}

}  // namespace
}  // namespace sondrel
