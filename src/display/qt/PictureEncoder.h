#pragma once
// Encodes a picture of the screen into the bytes of a picture file. BMP, JPEG,
// TIFF and PNG use Qt's image writers (TIFF comes from the image-formats
// plug-ins); GIF, which Qt can only read, is written with giflib from a
// palette of the picture's own colours.

#include <QByteArray>
#include <QImage>
#include <QString>

#include "display/ScreenCapture.h"

namespace sondrel {

struct EncodedPicture {
    QByteArray bytes;
    bool encoderMissing = false;  // nothing on this system writes the format
    QString error;                // why encoding failed, when it did
    bool ok() const { return !encoderMissing && error.isEmpty(); }
};

EncodedPicture encodePicture(const QImage& picture, PictureFormat format);

// GIF alone, for the encoder above and its tests.
EncodedPicture encodeGif(const QImage& picture);

}  // namespace sondrel
