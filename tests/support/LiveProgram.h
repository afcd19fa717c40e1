#pragma once
// The whole desktop program as the application puts it together, against the
// simulated head on loopback: the settings file names the head at 127.0.0.1
// and a folder of the test's own for the files it writes.

#include <QTest>

#include <memory>
#include <string>
#include <vector>

#include "acquisition/SondrelDoc.h"
#include "app/qt/CMainFrame.h"
#include "app/qt/CSondrelApp.h"
#include "support/HeadSimProcess.h"
#include "support/TempFolder.h"

namespace sondrel::test {

class LiveProgram {
  public:
    explicit LiveProgram(std::vector<std::string> simulatorArgs = {})
        : sim(std::move(simulatorArgs)) {}
    ~LiveProgram() { stop(); }
    LiveProgram(const LiveProgram&) = delete;
    LiveProgram& operator=(const LiveProgram&) = delete;

    // Starts the simulator and the program, and waits for its first pings.
    // `settings` are further lines of "System Settings". False with why() set.
    bool start(const std::string& settings = {}) {
        if (!sim.start()) return fail(sim.error());
        settingsPath = folder.write(
            "Sondrel.INI", "[System Settings]\r\nSonar Type=1\r\nIP Address=127.0.0.1\r\nIP Port=" +
                               std::to_string(sim.port()) +
                               "\r\nWrite File Directory=" + folder.path() + "/\r\n" + settings);
        StartOptions options;
        options.settingsPath = settingsPath;
        app = std::make_unique<CSondrelApp>(options);
        if (!app->initInstance()) return fail("the program did not start");
        frame = app->mainFrame();
        doc = app->document();
        if (!waitForPings(3)) return fail("no pings from the simulated head");
        return true;
    }
    void stop() {
        if (frame) frame->close();
        frame = nullptr;
        doc = nullptr;
        app.reset();
    }
    // Waits for `more` pings beyond those seen so far.
    bool waitForPings(int more, int timeoutMs = 15000) {
        const int target = doc->pings.pingCount + more;
        return QTest::qWaitFor([&] { return doc->pings.pingCount >= target; }, timeoutMs);
    }
    const std::string& why() const { return why_; }

    HeadSimProcess sim;
    TempFolder folder;
    std::string settingsPath;
    std::unique_ptr<CSondrelApp> app;
    CMainFrame* frame = nullptr;
    CSondrelDoc* doc = nullptr;

  private:
    bool fail(std::string why) {
        why_ = std::move(why);
        return false;
    }
    std::string why_;
};

}  // namespace sondrel::test
