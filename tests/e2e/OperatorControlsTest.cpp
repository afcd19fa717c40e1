// The operator's controls in the desktop program, on a real X server (Xvfb)
// against the simulated head: a change made through the control panel reaches
// the head in the next command, and a new head address is used for the next
// connection. The program runs in this process so that the test can click its
// windows; the head runs as its own process and logs every command it gets.

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <memory>

#include "acquisition/SondrelDoc.h"
#include "app/CommandIds.h"
#include "app/qt/CCtrlPanelDlg.h"
#include "app/qt/CInputDialogs.h"
#include "app/qt/CMainFrame.h"
#include "app/qt/CSondrelApp.h"
#include "app/qt/SimulatedHeadProcess.h"
#include "app/qt/StepSpin.h"
#include "display/ViewPainter.h"
#include "recording/RecordFormat.h"
#include "support/LiveProgram.h"
#include "support/SpinClick.h"
#include "support/TempFolder.h"

namespace sondrel {
namespace {

// A private X server and the one application object of this process, made on
// first use, kept for every test and taken down after the last one (the
// server outlives the application).
class Display {
  public:
    static Display& instance() {
        if (!current_) current_.reset(new Display);
        return *current_;
    }
    static void shutdown() { current_.reset(); }
    bool ready() const { return app_ != nullptr; }
    const std::string& why() const { return why_; }
    ~Display() {
        app_.reset();
        if (server_.state() != QProcess::NotRunning) {
            server_.terminate();
            if (!server_.waitForFinished(5000)) server_.kill();
            server_.waitForFinished(5000);
        }
    }

  private:
    Display() {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty()) {
            why_ = "Xvfb is not installed";
            return;
        }
        // Xvfb picks a free display and prints its number.
        server_.start(
            xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                   QStringLiteral("0"), QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                   QStringLiteral("tcp")});
        QByteArray number;
        while (!number.contains('\n') && server_.waitForReadyRead(10000))
            number += server_.readAllStandardOutput();
        if (number.trimmed().isEmpty()) {
            why_ = "Xvfb did not start";
            return;
        }
        qputenv("DISPLAY", ":" + number.trimmed());
        qputenv("QT_QPA_PLATFORM", "xcb");
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config_.path()));
        app_ = std::make_unique<QApplication>(argc_, argv_);
    }

    static inline std::unique_ptr<Display> current_;
    test::TempFolder config_;
    QProcess server_;
    int argc_ = 1;
    char name_[24] = "operator_controls_e2e";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
    std::string why_;
};

struct DisplayEnvironment : ::testing::Environment {
    void TearDown() override { Display::shutdown(); }
};
[[maybe_unused]] const auto* const kDisplayEnvironment =
    ::testing::AddGlobalTestEnvironment(new DisplayEnvironment);

class OperatorControlsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!Display::instance().ready()) GTEST_SKIP() << Display::instance().why();
        ASSERT_TRUE(live.start()) << live.why();
        doc = live.doc;
        frame = live.frame;
    }
    void TearDown() override { live.stop(); }

    test::LiveProgram live;
    test::HeadSimProcess& sim = live.sim;
    const std::string& settings = live.settingsPath;
    CSondrelDoc* doc = nullptr;
    CMainFrame* frame = nullptr;
};

TEST_F(OperatorControlsTest, RangeAndGainFromTheControlPanelGoOutWithTheNextCommand) {
    ASSERT_TRUE(frame->executeCommand(kCmdShowSonarSettings));
    CCtrlPanelDlg* panel = frame->controlPanel();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(panel));

    const std::uint8_t range = doc->head.command[cmd::kRange];
    const std::uint8_t gain = doc->head.command[cmd::kGain];
    ASSERT_EQ(range, 10);  // 1 m
    const std::size_t before = sim.commands().size();
    test::clickSpinArrow(panel->spin(PanelRow::Range), +1);
    test::clickSpinArrow(panel->spin(PanelRow::Gain), +1);
    EXPECT_EQ(panel->spin(PanelRow::Range)->fieldText(), QStringLiteral("2 m"));
    EXPECT_EQ(panel->spin(PanelRow::Gain)->fieldText(),
              QString::number(gain + 1) + QStringLiteral(" dB"));

    ASSERT_TRUE(QTest::qWaitFor([&] { return sim.commands().size() >= before + 4; }, 10000));
    const auto commands = sim.commands();
    // One command may have been on its way when the arrows were clicked; the
    // one after it carries the new range and gain, and so does every later one.
    std::size_t first = before;
    while (first < commands.size() && commands[first].bytes[cmd::kRange] == range) ++first;
    ASSERT_LE(first, before + 1) << "the new range did not go out with the next command";
    for (std::size_t i = first; i < commands.size(); ++i) {
        EXPECT_EQ(commands[i].bytes[cmd::kRange], 20) << i;
        EXPECT_EQ(commands[i].bytes[cmd::kGain], gain + 1) << i;
    }
}

TEST_F(OperatorControlsTest, NewHeadAddressIsUsedForTheNextConnection) {
    ASSERT_EQ(doc->link.linkState, LinkState::Connected);
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<CIPAddressDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->field()->text(), QStringLiteral("127.0.0.1"));
        dialog->field()->setText(QStringLiteral("127.0.0.2"));
        dialog->accept();
    });
    ASSERT_TRUE(frame->executeCommand(kCmdIpAddress));
    EXPECT_EQ(doc->link.ipAddress, "127.0.0.2");
    // Nothing listens there: the connection is refused and the view says so,
    // naming the new address.
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return doc->link.linkState == LinkState::NotConnected; }, 10000));
    const int width = frame->centralWidget()->width();
    EXPECT_EQ(connectionText(*doc, 0, width).text, "No Connection");
    EXPECT_EQ(connectionText(*doc, 1, width).text, "IP: 127.0.0.2");
    // The simulated head saw no new connection, and the address was saved.
    const auto counters = sim.counters();
    ASSERT_TRUE(counters.has_value());
    EXPECT_EQ(counters->connections, 1u);
    EXPECT_NE(test::readBytes(settings).find("IP Address=127.0.0.2"), std::string::npos);
}

// SIGTERM, SIGINT and SIGHUP end the program as Exit does, in the middle of a
// recording against the simulated head it started: the settings are saved, the
// data file holds whole records and the simulator is gone. The close box asks
// before it ends a recording; a signal does not.
TEST(ExitSignalsTest, SignalEndsTheProgramAsExitDoes) {
    if (!Display::instance().ready()) GTEST_SKIP() << Display::instance().why();
    for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(strsignal(sig));
        test::TempFolder folder;
        StartOptions options;
        options.settingsPath = folder.path() + "/Sondrel.INI";
        options.simulate = true;
        auto app = std::make_unique<CSondrelApp>(options);
        ASSERT_TRUE(app->initInstance());
        CSondrelDoc* doc = app->document();
        ASSERT_TRUE(QTest::qWaitFor([&] { return doc->pings.pingCount >= 3; }, 15000));
        ASSERT_NE(app->simulator(), nullptr);
        const qint64 simulator = app->simulator()->processId();
        ASSERT_GT(simulator, 0);

        doc->files.autoFileNames = 1;
        doc->files.writeDirectory = folder.path() + "/";
        ASSERT_TRUE(app->mainFrame()->executeCommand(kCmdRecord));
        ASSERT_TRUE(doc->flags.recordingActive);
        const std::string recorded = doc->files.recordPath;  // the whole path, named automatically
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return doc->files.recordFileBytes >= std::int64_t{5 * kRecordSize}; }, 15000));

        // The close box asks first; Keep Running keeps the program recording.
        QString asked;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            asked = box->text();
            for (QAbstractButton* button : box->buttons())
                if (button->text() == QStringLiteral("Keep Running")) button->click();
        });
        answer.start(20);
        EXPECT_FALSE(app->mainFrame()->close());
        answer.stop();
        EXPECT_TRUE(asked.contains(QString::fromStdString(recorded)));
        EXPECT_TRUE(app->mainFrame()->isVisible());
        ASSERT_TRUE(doc->flags.recordingActive);
        const std::int64_t before = doc->files.recordFileBytes;
        ASSERT_TRUE(QTest::qWaitFor([&] { return doc->files.recordFileBytes > before; }, 15000));
        std::filesystem::remove(options.settingsPath);

        // A signal asks nothing: nobody may be there to answer.
        ::kill(::getpid(), sig);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !app->mainFrame()->isVisible(); }, 10000));
        EXPECT_FALSE(doc->flags.recordingActive);
        EXPECT_NE(test::readBytes(options.settingsPath).find("[System Settings]"),
                  std::string::npos)
            << "the settings were not saved";
        EXPECT_NE(::kill(static_cast<pid_t>(simulator), 0), 0) << "the simulated head is running";
        int files = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
            if (entry.path().extension() != ".qzr") continue;
            ++files;
            const auto size = std::filesystem::file_size(entry.path());
            // The simulated crawler's distance comes with every record.
            EXPECT_GE(size, 5 * kRecordSizeWithOrientation);
            EXPECT_EQ(size % kRecordSizeWithOrientation, 0u) << entry.path();
        }
        EXPECT_EQ(files, 1);
        app.reset();
    }
}

}  // namespace
}  // namespace sondrel
