#include "app/qt/QtOperatorPort.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QMainWindow>
#include <QMessageBox>
#include <QStatusBar>

#include <cstdio>

#include "display/DisplayList.h"

namespace sondrel {

namespace {

QString fromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

// The dialog's filter: the description as the program words it, with the
// pattern in brackets where the window system looks for it. A blank after the
// bracket would hide the pattern from it.
QString filterFor(const std::string& text, const std::string& patternText) {
    QString description = fromUtf8(text).trimmed();
    const QString pattern = fromUtf8(patternText);
    if (!description.contains(QLatin1Char('(')))
        description += QStringLiteral(" (%1)").arg(pattern);
    return description;
}

// Every type of the request, in its order, as one filter list.
QString filterFor(const FileDialogRequest& request) {
    QString filters = filterFor(request.filterDescription, request.pattern);
    for (const FileType& type : request.furtherTypes)
        filters += QStringLiteral(";;") + filterFor(type.description, type.pattern);
    return filters;
}

std::optional<std::string> runFileDialog(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
}

}  // namespace

namespace {

void prepareBox(QMessageBox& box, const std::string& text, MessageKind kind) {
    box.setWindowTitle(QStringLiteral("Sondrel"));
    box.setText(fromUtf8(text));
    switch (kind) {
        case MessageKind::Information:
        case MessageKind::Note:
            box.setIcon(QMessageBox::Information);
            break;
        case MessageKind::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case MessageKind::Error:
            box.setIcon(QMessageBox::Critical);
            break;
    }
}

}  // namespace

void showStatusNote(QWidget* inside, const std::string& text) {
    constexpr int kNoteShownMs = 15000;
    auto* frame = inside ? qobject_cast<QMainWindow*>(inside->window()) : nullptr;
    if (frame && frame->statusBar())
        frame->statusBar()->showMessage(fromUtf8(text), kNoteShownMs);
    else
        QMessageBox::information(inside, QStringLiteral("Sondrel"), fromUtf8(text));
}

bool QtOperatorPort::toStandardError(const std::string& text) {
    if (!unattended_) return false;
    std::fprintf(stderr, "sondrel: %s\n", text.c_str());
    std::fflush(stderr);
    return true;
}

void QtOperatorPort::showMessage(const std::string& text, MessageKind kind) {
    if (toStandardError(text)) return;
    if (kind == MessageKind::Note) {
        showStatusNote(owner_, text);
        return;
    }
    QMessageBox box(owner_);
    prepareBox(box, text, kind);
    box.exec();
}

void QtOperatorPort::announce(const std::string& text, MessageKind kind) {
    if (toStandardError(text)) return;
    if (kind == MessageKind::Note) {
        showStatusNote(owner_, text);
        return;
    }
    auto* box = new QMessageBox(owner_);
    box->setAttribute(Qt::WA_DeleteOnClose);
    prepareBox(*box, text, kind);
    box->open();
}

std::optional<std::string> QtOperatorPort::chooseOpenFile(const FileDialogRequest& request) {
    QFileDialog dialog(owner_, fromUtf8(request.title), fromUtf8(request.directory),
                       filterFor(request));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (!request.defaultExtension.empty())
        dialog.setDefaultSuffix(fromUtf8(request.defaultExtension));
    return runFileDialog(dialog);
}

std::optional<std::string> QtOperatorPort::chooseSaveFile(const FileDialogRequest& request) {
    QFileDialog dialog(owner_, fromUtf8(request.title), fromUtf8(request.directory),
                       filterFor(request));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!request.defaultExtension.empty())
        dialog.setDefaultSuffix(fromUtf8(request.defaultExtension));
    if (!request.proposedName.empty()) dialog.selectFile(fromUtf8(request.proposedName));
    return runFileDialog(dialog);
}

std::optional<std::string> QtOperatorPort::chooseFolder(const std::string& title,
                                                        const std::string& start) {
    const QString folder = QFileDialog::getExistingDirectory(
        owner_, fromUtf8(title), fromUtf8(start), QFileDialog::ShowDirsOnly);
    if (folder.isEmpty()) return std::nullopt;
    return folder.toStdString();
}

std::optional<Colour> QtOperatorPort::chooseColour(Colour current) {
    static constexpr int kCustom[16][3] = {
        {255, 0, 0},     {0, 255, 0},     {0, 0, 255},     {255, 255, 0},
        {0, 255, 255},   {155, 155, 0},   {255, 0, 255},   {255, 150, 255},
        {50, 155, 250},  {150, 255, 155}, {255, 150, 0},   {150, 255, 0},
        {100, 255, 150}, {150, 100, 255}, {255, 255, 255}, {0, 0, 0},
    };
    for (int i = 0; i < 16; ++i)
        QColorDialog::setCustomColor(i, QColor(kCustom[i][0], kCustom[i][1], kCustom[i][2]));
    const Rgb rgb = rgbFromColour(current);
    const QColor initial(rgb.r, rgb.g, rgb.b);
    const QColor chosen = QColorDialog::getColor(initial, owner_);
    if (!chosen.isValid()) return std::nullopt;
    return static_cast<Colour>(chosen.red() | (chosen.green() << 8) | (chosen.blue() << 16));
}

}  // namespace sondrel
