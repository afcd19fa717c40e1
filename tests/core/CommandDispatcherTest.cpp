// The commands' ports: a command runs only while the port its descriptor names
// is bound and its rule enables it, and reaches that port with the arguments
// its descriptor gives.

#include "app/CommandDispatcher.h"

#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "acquisition/SondrelDoc.h"
#include "app/KeyIn.h"

namespace sondrel {
namespace {

// Every port but the document's and the cycle's, writing down what it is asked.
struct RecordingPorts : FilePort, SetupPort, WindowPort {
    std::vector<std::string> calls;
    void note(std::string call) { calls.push_back(std::move(call)); }

    void openPlayback() override { note("openPlayback"); }
    void startStopRecording() override { note("record"); }
    void setRecordDirectory() override { note("recordDirectory"); }
    void toggleAutoFileNames() override { note("autoFileNames"); }
    void captureFrame() override { note("capture"); }
    void toggleRealTimePlaySpeed() override { note("realTime"); }
    void toggleOneFrameMode() override { note("oneFrame"); }
    void convertToXyz() override { note("convert"); }
    void writePipeReport() override { note("report"); }
    void exportPointCloud() override { note("cloud"); }

    void chooseHeadType(int type) override { note("type " + std::to_string(type)); }
    void changeIpAddress() override { note("ip"); }
    void comPortSetup() override { note("ports"); }
    void chooseColour(Colour DisplaySettings::*colour) override {
        DisplaySettings d;
        d.*colour = 0x123456;
        note(d.pointsColour == 0x123456 ? "colour points" : "colour other");
    }
    void toggleDiagnostics() override { note("diagnostics"); }
    void showHotKeysHelp() override { note("help"); }
    void pipeGeometrySettings() override { note("geometry"); }

    void closeProgram() override { note("close"); }
    void showAbout() override { note("about"); }
    void saveScreen() override { note("saveScreen"); }
    void toggleToolbar() override { note("toolbar"); }
    void toggleGeometryOverlay() override { note("overlay"); }
    void toggleGeometryChart() override { note("chart"); }
    void toggleWallMap() override { note("wall map"); }
    void togglePipe3DView() override { note("3d"); }
    void toggleControlPanel() override { note("panel"); }
    void toggleSettingsBar() override { note("bar"); }
    void openKeyIn(int kind) override { note("keyIn " + std::to_string(kind)); }
    void movePointer(int dx, int dy) override {
        note("pointer " + std::to_string(dx) + " " + std::to_string(dy));
    }
    void askSoundVelocity() override { note("soundVelocity"); }
    void askMinimumRange() override { note("minimumRange"); }
    void askCircleDiameter() override { note("circleDiameter"); }
};

class DispatcherTest : public ::testing::Test {
  protected:
    CSondrelDoc doc;
    ViewRequests view;
    CommandDispatcher commands{doc, view};
    RecordingPorts ports;
};

TEST_F(DispatcherTest, ACommandIsBuiltWhileItsPortIsBound) {
    auto builtPorts = [&] {
        std::set<CommandPort> built;
        for (const CommandDescriptor& c : commandDescriptors())
            if (commands.built(c.id)) built.insert(c.action.port);
        return built;
    };
    EXPECT_EQ(builtPorts(), std::set<CommandPort>{CommandPort::Document});
    {
        const PortBinding<FilePort> files(commands, ports);
        commands.bind(static_cast<WindowPort*>(&ports));
        EXPECT_EQ(builtPorts(), (std::set<CommandPort>{CommandPort::Document, CommandPort::Files,
                                                       CommandPort::Windows}));
        EXPECT_TRUE(commands.run(kCmdRecord, {}));
    }
    EXPECT_FALSE(commands.built(kCmdRecord));
    EXPECT_FALSE(commands.run(kCmdRecord, {}));
    EXPECT_EQ(ports.calls, std::vector<std::string>{"record"});
}

TEST_F(DispatcherTest, CommandsReachTheirPortWithTheirArgumentsAndOnlyWhenTheRuleAllows) {
    const PortBinding<FilePort> files(commands, ports);
    const PortBinding<SetupPort> setup(commands, ports);
    const PortBinding<WindowPort> windows(commands, ports);
    struct Case {
        int id;
        bool playing;
        const char* call;  // nullptr: refused by its rule
    };
    const Case cases[] = {
        {kCmdTypeP, false, "type 0"},
        {kCmdTypeQ, false, "type 1"},
        {kCmdTypeQ, true, nullptr},
        {kCmdPointsColour, false, "colour points"},
        {kCmdGridColour, false, "colour other"},
        {kCmdKeyInRange, false, "keyIn 0"},
        {kCmdKeyInGain, false, "keyIn 1"},
        {kCmdPlayOneFrame, false, nullptr},
        {kCmdPlayOneFrame, true, "oneFrame"},
        {kCmdArrowLeft, false, "pointer -1 0"},
        {kCmdArrowDown, false, "pointer 0 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        doc.flags.playbackActive = c.playing;
        ports.calls.clear();
        EXPECT_EQ(commands.run(c.id, {}), c.call != nullptr);
        EXPECT_EQ(ports.calls,
                  c.call ? std::vector<std::string>{c.call} : std::vector<std::string>{});
    }
}

}  // namespace
}  // namespace sondrel
