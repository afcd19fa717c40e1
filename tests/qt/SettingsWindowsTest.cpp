// The control panel, the settings bar and the value dialogs on the offscreen
// platform: clicks on the up-down arrows reach the document as single steps and
// both windows show the result.

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "acquisition/SondrelDoc.h"
#include "app/CommandIds.h"
#include "app/qt/CCtrlPanelDlg.h"
#include "app/qt/CInputDialogs.h"
#include "app/qt/CMainFrame.h"
#include "app/qt/StepSpin.h"
#include "support/SpinClick.h"

namespace sondrel {
namespace {

std::string field(StepSpin* spin) {
    return spin->fieldText().toStdString();
}

// Runs `script` on the modal dialog the next call opens.
void onModal(std::function<void(QWidget*)> script) {
    QTimer::singleShot(0, [script] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        script(dialog);
    });
}

struct Frame {
    CSondrelDoc doc;
    std::unique_ptr<CMainFrame> frame = std::make_unique<CMainFrame>(doc);
    Frame() {
        frame->resize(900, 700);
        frame->show();
    }
    CCtrlPanelDlg& panel() { return *frame->controlPanel(); }
    SettingsBar& bar() { return *frame->settingsBar(); }
    bool checked(int id) {
        frame->refreshCommandStates();
        return frame->commandAction(id) ? frame->commandAction(id)->isChecked()
                                        : commandChecked(id, doc, frame->uiState());
    }
};

TEST(SettingsWindowsTest, PanelAndBarClicksStepTheDocumentAndBothWindowsFollow) {
    Frame f;
    EXPECT_FALSE(f.panel().isVisible());
    EXPECT_FALSE(f.bar().isVisible());
    ASSERT_TRUE(f.frame->executeCommand(kCmdShowSonarSettings));
    ASSERT_TRUE(f.frame->executeCommand(kCmdMiniSettingsBar));
    EXPECT_TRUE(f.panel().isVisible());
    EXPECT_TRUE(f.bar().isVisible());
    EXPECT_EQ(f.panel().windowTitle(), QStringLiteral("Settings"));
    EXPECT_EQ(f.doc.display.settingsDlgVisible, 1);

    test::clickSpinArrow(f.panel().spin(PanelRow::Range), +1);
    EXPECT_EQ(f.doc.head.rangeIndex, 4);
    EXPECT_EQ(f.doc.head.command[cmd::kRange], 20);
    EXPECT_EQ(field(f.panel().spin(PanelRow::Range)), "2 m");
    EXPECT_EQ(field(f.bar().spin(PanelRow::Range)), "2 m");
    EXPECT_EQ(f.bar().spin(PanelRow::Range)->spinPosition(), 4);

    test::clickSpinArrow(f.bar().spin(PanelRow::Gain), -1);
    EXPECT_EQ(f.doc.head.command[cmd::kGain], 5);
    EXPECT_EQ(field(f.panel().spin(PanelRow::Gain)), "5 dB");

    // The frequency rows grey out under automatic frequency and take the range's row.
    QCheckBox* box = f.panel().manualFrequencyBox();
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->height() / 2, box->height() / 2));
    EXPECT_EQ(f.doc.head.autoFrequency, 1);
    EXPECT_FALSE(f.panel().manualFrequencyBox()->isChecked());
    EXPECT_FALSE(f.panel().spin(PanelRow::Frequency)->isEnabled());
    EXPECT_EQ(field(f.panel().spin(PanelRow::PulseLength)), "3 usec");
    test::clickSpinArrow(f.panel().spin(PanelRow::SwitchDelay), +1);
    EXPECT_EQ(f.doc.head.command[cmd::kSwitchDelay], 2);

    // A connect reloads the settings file; the windows show what it loaded.
    f.doc.head.setGain(11);
    f.frame->linkStateChanged(LinkState::Pending);
    EXPECT_EQ(field(f.bar().spin(PanelRow::Gain)), "11 dB");

    // Playback freezes the head settings: the click changes nothing.
    f.doc.flags.playbackActive = true;
    test::clickSpinArrow(f.panel().spin(PanelRow::Range), +1);
    EXPECT_EQ(f.doc.head.rangeIndex, 4);
    EXPECT_FALSE(f.frame->commandEnabledNow(kCmdShowSonarSettings));
    f.doc.flags.playbackActive = false;

    // The close box hides the panel and forgets that it was wanted.
    f.panel().close();
    EXPECT_FALSE(f.panel().isVisible());
    EXPECT_EQ(f.doc.display.settingsDlgVisible, 0);
    EXPECT_FALSE(f.checked(kCmdShowSonarSettings));
    ASSERT_TRUE(f.frame->executeCommand(kCmdMiniSettingsBar));
    EXPECT_FALSE(f.bar().isVisible());
}

TEST(SettingsWindowsTest, ValueDialogsStepWithTheirArrowsAndTakeTheValueOnOk) {
    Frame f;
    f.doc.display.circleDiameter = 1.0;
    onModal([&f](QWidget* w) {
        auto* dialog = qobject_cast<ValueDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        test::clickSpinArrow(dialog->spin(), +1);
        test::clickSpinArrow(dialog->spin(), +1);
        // The circle follows each click at once.
        EXPECT_DOUBLE_EQ(f.doc.display.circleDiameter, 1.02);
        EXPECT_EQ(dialog->spin()->fieldText(), QStringLiteral("1.02"));
        dialog->accept();
    });
    ASSERT_TRUE(f.frame->executeCommand(kCmdCircleDiameter));
    EXPECT_DOUBLE_EQ(f.doc.display.circleDiameter, 1.02);

    onModal([](QWidget* w) {
        auto* dialog = qobject_cast<ValueDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        test::clickSpinArrow(dialog->spin(), -1);
        EXPECT_EQ(dialog->spin()->fieldText(), QStringLiteral("1499.9"));
        dialog->defaultButton()->click();
        EXPECT_EQ(dialog->spin()->fieldText(), QStringLiteral("1500.0"));
        auto* edit = dialog->spin()->findChild<QLineEdit*>();
        edit->setText(QStringLiteral("1555.5"));
        dialog->accept();
    });
    ASSERT_TRUE(f.frame->executeCommand(kCmdSoundVelocity));
    EXPECT_DOUBLE_EQ(f.doc.head.soundVelocity, 1555.5);

    // Cancel leaves the minimum range as it was.
    f.doc.head.profileMinRange = 0.5;
    onModal([](QWidget* w) {
        auto* dialog = qobject_cast<ValueDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        test::clickSpinArrow(dialog->spin(), +1);
        dialog->reject();
    });
    ASSERT_TRUE(f.frame->executeCommand(kCmdMinimumRange));
    EXPECT_DOUBLE_EQ(f.doc.head.profileMinRange, 0.5);
}

}  // namespace
}  // namespace sondrel
