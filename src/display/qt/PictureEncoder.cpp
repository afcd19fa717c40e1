#include "display/qt/PictureEncoder.h"

#include <QBuffer>
#include <QImageWriter>

#include <gif_lib.h>

#include <span>
#include <vector>

#include "display/PicturePalette.h"

namespace sondrel {

namespace {

int appendToBytes(GifFileType* gif, const GifByteType* data, int length) {
    static_cast<QByteArray*>(gif->UserData)
        ->append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(length));
    return length;
}

QString gifError(int code) {
    const char* text = GifErrorString(code);
    return text ? QString::fromLatin1(text) : QStringLiteral("GIF error %1").arg(code);
}

}  // namespace

EncodedPicture encodeGif(const QImage& picture) {
    EncodedPicture out;
    if (picture.isNull()) {
        out.error = QStringLiteral("the picture is empty");
        return out;
    }
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    const int width = rgb.width(), height = rgb.height();
    // Scan lines of 32-bit pixels have no padding: the rows follow each other.
    const std::span<const std::uint32_t> pixels(
        reinterpret_cast<const std::uint32_t*>(rgb.constBits()),
        static_cast<std::size_t>(width) * height);
    PalettedPicture paletted = palettePicture(pixels);

    // The colour table's size is a power of two, two at the least.
    const int bits =
        GifBitSize(static_cast<int>(std::max<std::size_t>(paletted.palette.size(), 2)));
    std::vector<GifColorType> colours(static_cast<std::size_t>(1) << bits, GifColorType{0, 0, 0});
    for (std::size_t i = 0; i < paletted.palette.size(); ++i) {
        const std::uint32_t c = paletted.palette[i];
        colours[i] = GifColorType{static_cast<GifByteType>(c >> 16),
                                  static_cast<GifByteType>(c >> 8), static_cast<GifByteType>(c)};
    }
    ColorMapObject* map = GifMakeMapObject(static_cast<int>(colours.size()), colours.data());
    if (!map) {
        out.error = QStringLiteral("out of memory");
        return out;
    }

    int error = 0;
    GifFileType* gif = EGifOpen(&out.bytes, appendToBytes, &error);
    if (!gif) {
        GifFreeMapObject(map);
        out.error = gifError(error);
        return out;
    }
    bool written = EGifPutScreenDesc(gif, width, height, bits, 0, map) == GIF_OK &&
                   EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_OK;
    for (int y = 0; written && y < height; ++y) {
        GifPixelType* row = paletted.indices.data() + static_cast<std::size_t>(y) * width;
        written = EGifPutLine(gif, row, width) == GIF_OK;
    }
    if (!written) error = gif->Error;
    GifFreeMapObject(map);
    int closeError = 0;
    if (EGifCloseFile(gif, &closeError) != GIF_OK && written) {
        written = false;
        error = closeError;
    }
    if (!written) {
        out.bytes.clear();
        out.error = gifError(error);
    }
    return out;
}

EncodedPicture encodePicture(const QImage& picture, PictureFormat format) {
    if (format == PictureFormat::Gif) return encodeGif(picture);
    EncodedPicture out;
    // The first writer installed for the format's MIME type.
    const QByteArray mime(pictureMimeType(format).data(),
                          static_cast<qsizetype>(pictureMimeType(format).size()));
    const QList<QByteArray> formats = QImageWriter::imageFormatsForMimeType(mime);
    if (formats.isEmpty()) {
        out.encoderMissing = true;
        return out;
    }
    QBuffer buffer(&out.bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, formats.front());
    if (!writer.write(picture.convertToFormat(QImage::Format_RGB32))) {
        out.bytes.clear();
        out.error = writer.errorString();
    }
    return out;
}

}  // namespace sondrel
