// The window's writers against a full disk, a read-only folder and a folder
// that vanished, with an operator who answers the real dialogs and takes his
// time over each message, as one does in the field. The program must say what
// failed, keep acquiring, and be able to connect and record again; run under
// the address sanitizer this also finds whatever a write error leaves behind.

#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "acquisition/SondrelDoc.h"
#include "app/CommandIds.h"
#include "app/qt/CMainFrame.h"
#include "app/qt/CSondrelApp.h"
#include "support/LiveProgram.h"

namespace sondrel {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Answers each file dialog with the next name of its list, and closes each
// message box after reading it for a while.
class ScriptedOperator {
  public:
    ScriptedOperator() {
        QObject::connect(&timer_, &QTimer::timeout, [this] { look(); });
        timer_.start(30);
    }
    ~ScriptedOperator() { timer_.stop(); }

    void answer(std::string path) { answers_.push_back(std::move(path)); }
    void setReadingTime(std::chrono::milliseconds t) { reading_ = t; }
    const std::vector<std::string>& messages() const { return messages_; }

  private:
    void look() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            box_ = nullptr;
            return;
        }
        if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            if (answers_.empty()) {
                dialog->reject();
                return;
            }
            // Typed into the name field, as an operator does.
            const QString name = QString::fromStdString(answers_.front());
            answers_.pop_front();
            if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                edit->setText(name);
            else
                dialog->selectFile(name);
            // Later: accepting may ask its own question, which this timer answers.
            QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
            return;
        }
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            // "Replace the file?": yes, that is the name the operator chose.
            if (QAbstractButton* yes = box->button(QMessageBox::Yes)) {
                yes->click();
                return;
            }
            if (box != box_) {
                box_ = box;
                seenAt_ = Clock::now();
                messages_.push_back(box->text().toStdString());
                return;
            }
            if (Clock::now() - seenAt_ >= reading_) box->done(QMessageBox::Ok);
            return;
        }
        modal->close();
    }

    QTimer timer_;
    std::deque<std::string> answers_;
    std::vector<std::string> messages_;
    std::chrono::milliseconds reading_{200};
    QWidget* box_ = nullptr;
    Clock::time_point seenAt_;
};

class WriteFailure : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_symlink("/dev/full", folder.file("full.qzr"));
        fs::create_directory(folder.file("read-only"));
        ::chmod(folder.file("read-only").c_str(), 0500);
        // Permissions do not stop the superuser; the kernel's own folders do.
        readOnlyFolder = ::geteuid() == 0 ? std::string("/sys") : folder.file("read-only");
        ASSERT_TRUE(live.start("AutoSaveFileName=0\r\n")) << live.why();
        frame = live.frame;
        doc = live.doc;
    }
    void TearDown() override {
        live.stop();
        ::chmod(folder.file("read-only").c_str(), 0700);
    }
    bool waitForPings(int more) { return live.waitForPings(more); }

    test::LiveProgram live{{"--wander", "0", "--noise", "0", "--quiet"}};
    test::HeadSimProcess& sim = live.sim;
    test::TempFolder& folder = live.folder;
    std::string readOnlyFolder;
    CMainFrame* frame = nullptr;
    CSondrelDoc* doc = nullptr;
    ScriptedOperator op;
};

TEST_F(WriteFailure, ARecordingToAFullDiskThatMeetsAReconnectLeavesTheProgramAcquiring) {
    // The operator reads the error for a long time; meanwhile the head drops
    // the link and the program reconnects behind the message.
    op.setReadingTime(std::chrono::milliseconds(12000));
    op.answer(folder.file("full.qzr"));
    ASSERT_TRUE(frame->executeCommand(kCmdRecord));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !op.messages().empty(); }, 5000))
        << doc->flags.recordingActive << " " << doc->files.recordPath << " " << frame->frameTitle();
    EXPECT_NE(op.messages()[0].find("Error Writing File!"), std::string::npos) << op.messages()[0];
    ASSERT_TRUE(sim.control("close-after 1"));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return QApplication::activeModalWidget() == nullptr; }, 20000));
    EXPECT_GE(sim.counters()->connections, 2u) << "no reconnect happened behind the message";
    ASSERT_TRUE(sim.control("faults-off"));
    EXPECT_FALSE(doc->flags.recordingActive);

    // The program goes on, connects and records again.
    ASSERT_TRUE(waitForPings(3));
    op.setReadingTime(std::chrono::milliseconds(200));
    op.answer(folder.file("good.qzr"));
    ASSERT_TRUE(frame->executeCommand(kCmdRecord));
    ASSERT_TRUE(waitForPings(3));
    ASSERT_TRUE(frame->executeCommand(kCmdRecord));
    EXPECT_GE(fs::file_size(folder.file("good.qzr")), 3u * 1024u);
    EXPECT_EQ(op.messages().size(), 1u);
}

TEST_F(WriteFailure, RecordAndCaptureIntoFoldersThatRefuseSayWhyAndAcquisitionGoesOn) {
    const std::string vanished = folder.file("vanished");
    fs::create_directory(vanished);
    fs::remove(vanished);
    doc->files.autoFileNames = 1;
    for (const std::string& where : {readOnlyFolder + "/", vanished + "/"}) {
        SCOPED_TRACE(where);
        doc->files.writeDirectory = where;
        for (const int command : {kCmdRecord, kCmdCaptureFrame}) {
            const std::size_t before = op.messages().size();
            frame->executeCommand(command);
            ASSERT_TRUE(QTest::qWaitFor([&] { return op.messages().size() > before; }, 5000));
            EXPECT_NE(op.messages()[before].find(where), std::string::npos)
                << op.messages()[before];
            EXPECT_FALSE(doc->flags.recordingActive);
            ASSERT_TRUE(waitForPings(2));
        }
    }
    EXPECT_FALSE(fs::exists(vanished));
}

TEST_F(WriteFailure, EveryWriterOfThePlayedFileSaysWhyAndTheProgramConnectsAndRecordsAgain) {
    // A recording of a few pings to play, beside a point list that cannot be
    // written: its name leads to a full disk.
    op.answer(folder.file("survey.qzr"));
    ASSERT_TRUE(frame->executeCommand(kCmdRecord));
    ASSERT_TRUE(waitForPings(20));
    ASSERT_TRUE(frame->executeCommand(kCmdRecord));
    for (const char* name : {"survey.xyz", "full.pdf", "full.png", "full.ply"})
        fs::create_symlink("/dev/full", folder.file(name));
    op.answer(folder.file("survey.qzr"));
    ASSERT_TRUE(frame->executeCommand(kCmdOpenPlayback));
    ASSERT_TRUE(doc->flags.playbackActive);

    // Each to a full disk (a folder that refuses cannot be chosen in the save
    // dialog; the recording and the capture above meet one by their own names).
    struct Writer {
        int command;
        std::string target;  // answered in its save dialog; empty when it has none
        std::string named;   // the file the message must name
    };
    const std::vector<Writer> writers = {
        {kCmdConvertXyz, folder.file("survey.qzr"), folder.file("survey.xyz")},
        {kCmdPipeReport, folder.file("full.pdf"), folder.file("full.pdf")},
        {kCmdExportPointCloud, folder.file("full.ply"), folder.file("full.ply")},
        {kCmdSaveScreen, folder.file("full.png"), folder.file("full.png")},
        {kCmdRecord, folder.file("full.qzr"), folder.file("full.qzr")},
    };
    for (const Writer& w : writers) {
        SCOPED_TRACE(w.named);
        const std::size_t before = op.messages().size();
        op.answer(w.target);
        const bool ran = frame->executeCommand(w.command);
        ASSERT_TRUE(QTest::qWaitFor([&] { return op.messages().size() > before; }, 10000))
            << (QApplication::activeModalWidget()
                    ? QApplication::activeModalWidget()->metaObject()->className()
                    : "none")
            << " " << (op.messages().empty() ? "" : op.messages().back()) << " ran " << ran;
        EXPECT_NE(op.messages().back().find(w.named), std::string::npos) << op.messages().back();
        EXPECT_FALSE(doc->flags.recordingActive);
        EXPECT_TRUE(doc->flags.playbackActive);
        // The operator has read the message before he goes on.
        ASSERT_TRUE(QTest::qWaitFor([] { return !QApplication::activeModalWidget(); }, 5000));
    }
    EXPECT_EQ(fs::file_size(folder.file("survey.qzr")) % 1024, 0u);

    // Back to the head, and a recording that works.
    ASSERT_TRUE(frame->executeCommand(kCmdConnect));
    ASSERT_TRUE(waitForPings(3));
    op.answer(folder.file("after.qzr"));
    ASSERT_TRUE(frame->executeCommand(kCmdRecord));
    ASSERT_TRUE(waitForPings(5));
    ASSERT_TRUE(frame->executeCommand(kCmdRecord));
    EXPECT_GE(fs::file_size(folder.file("after.qzr")), 5u * 1024u);
}

}  // namespace
}  // namespace sondrel
