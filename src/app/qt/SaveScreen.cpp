#include "app/qt/SaveScreen.h"

#include <QPixmap>
#include <QScreen>
#include <QWidget>

#include <cstdio>

#include "acquisition/SondrelDoc.h"
#include "common/OperatorPort.h"
#include "display/ScreenCapture.h"
#include "display/qt/PictureEncoder.h"
#include "recording/BinaryFile.h"
#include "recording/FileMessages.h"

namespace sondrel {

namespace {

constexpr const char* kNotSaved = "The screen was not saved.";

// The whole file or none of it: a picture cut short by a full disk is removed.
bool writeWholeFile(const std::string& path, const QByteArray& bytes, std::string& reason) {
    BinaryFile file;
    if (!file.create(path)) {
        reason = file.errorText();
        return false;
    }
    bool ok = file.write(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    if (!ok) reason = file.errorText();
    if (!file.close() && ok) {
        ok = false;
        reason = file.errorText();
    }
    if (!ok) std::remove(path.c_str());
    return ok;
}

}  // namespace

QImage grabMainWindow(QWidget& window) {
    const QRect frame = window.frameGeometry();
    if (frame.isEmpty() || !window.isVisible()) return {};
    if (QScreen* screen = window.screen(); screen && screen->geometry().contains(frame)) {
        const QRect onScreen = frame.translated(-screen->geometry().topLeft());
        const QPixmap shot =
            screen->grabWindow(0, onScreen.x(), onScreen.y(), onScreen.width(), onScreen.height());
        if (!shot.isNull() && shot.deviceIndependentSize().toSize() == frame.size())
            return shot.toImage();
    }
    const QPixmap drawn = window.grab();
    return drawn.isNull() ? QImage() : drawn.toImage();
}

void saveScreen(QWidget& window, const CSondrelDoc& doc, OperatorPort& op) {
    const std::optional<std::string> path =
        op.chooseSaveFile(saveScreenDialogRequest(doc.files.writeDirectory));
    // Whatever the answer, the dialog leaves no trace on the window.
    window.repaint();
    if (!path) return;
    const QImage picture = grabMainWindow(window);
    if (picture.isNull()) {
        op.showMessage(kCantSaveScreenText, MessageKind::Information);
        return;
    }
    const std::optional<PictureFormat> format = pictureFormatForFileName(*path);
    if (!format) {
        op.showMessage(kInvalidFileFormatText, MessageKind::Warning);
        return;
    }
    const EncodedPicture encoded = encodePicture(picture, *format);
    if (encoded.encoderMissing) {
        op.showMessage(noPictureEncoderText(*format), MessageKind::Warning);
        return;
    }
    std::string reason = encoded.error.toStdString();
    if (!encoded.ok() || !writeWholeFile(*path, encoded.bytes, reason))
        op.showMessage(fileWriteFailureText(*path, reason, kNotSaved), MessageKind::Error);
}

}  // namespace sondrel
