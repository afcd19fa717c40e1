#include "app/qt/CKeyInDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace sondrel {

namespace {
constexpr int kKeyInOffsetFromRight = 15;
constexpr int kKeyInOffsetFromTop = 31;
}  // namespace

CKeyInDlg::CKeyInDlg(CSondrelDoc& doc, QWidget* mainWindow)
    : QDialog(mainWindow, Qt::Tool), doc_(doc), mainWindow_(mainWindow) {
    setWindowTitle(QStringLiteral("Input"));
    setModal(false);
    label_ = new QLabel(QString::fromUtf8(state_.prompt.data(), int(state_.prompt.size())), this);
    edit_ = new QLineEdit(this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CKeyInDlg::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label_);
    layout->addWidget(edit_);
    layout->addWidget(buttons);
    adjustSize();
    hide();
}

void CKeyInDlg::open(int kind) {
    prepareKeyIn(state_, kind, doc_);
    label_->setText(QString::fromStdString(state_.prompt));
    edit_->clear();
    adjustSize();
    // Placed twice: the window's frame is only known once it is shown.
    place();
    show();
    place();
    raise();
    activateWindow();
    edit_->setFocus();
}

void CKeyInDlg::place() {
    if (!mainWindow_) return;
    const QRect frame = mainWindow_->frameGeometry();
    move(frame.x() + frame.width() - frameGeometry().width() - kKeyInOffsetFromRight,
         frame.y() + kKeyInOffsetFromTop);
}

void CKeyInDlg::accept() {
    if (!commitKeyIn(state_, doc_, edit_->text().toStdString())) {
        // Nothing changed; the window says why in place of its prompt and waits
        // for a correction. A message box would hand the focus to the main
        // window on closing, and that closes this one.
        const std::string_view refusal = keyInRefusal(state_);
        label_->setText(QString::fromUtf8(refusal.data(), int(refusal.size())));
        adjustSize();
        place();
        edit_->selectAll();
        edit_->setFocus();
        return;
    }
    backToMainWindow();
}

// The close box and Escape hide the window without taking the value.
void CKeyInDlg::reject() {
    backToMainWindow();
}

void CKeyInDlg::backToMainWindow() {
    hide();
    if (mainWindow_) mainWindow_->activateWindow();
}

}  // namespace sondrel
