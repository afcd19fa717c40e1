// Save Screen from the main window: a picture of the whole window in each of
// the five formats, read back by decoders of their own, and every way a save
// can fail told to the operator with nothing left behind.

#include <QImageReader>
#include <QTest>

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>
#include <string>

#include "acquisition/SondrelDoc.h"
#include "app/CommandIds.h"
#include "app/qt/CMainFrame.h"
#include "display/qt/PictureEncoder.h"
#include "support/Operators.h"
#include "support/TempFolder.h"

namespace sondrel {
namespace {

// The GIF file as giflib reads it, as a true-colour picture.
QImage readGif(const std::string& path) {
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    if (!gif) return {};
    QImage out;
    if (DGifSlurp(gif) == GIF_OK && gif->ImageCount >= 1) {
        const SavedImage& frame = gif->SavedImages[0];
        const ColorMapObject* map =
            frame.ImageDesc.ColorMap ? frame.ImageDesc.ColorMap : gif->SColorMap;
        out = QImage(gif->SWidth, gif->SHeight, QImage::Format_RGB32);
        for (int y = 0; y < gif->SHeight; ++y)
            for (int x = 0; x < gif->SWidth; ++x) {
                const GifColorType c = map->Colors[frame.RasterBits[y * gif->SWidth + x]];
                out.setPixel(x, y, qRgb(c.Red, c.Green, c.Blue));
            }
    }
    DGifCloseFile(gif, &error);
    return out;
}

int distinctColours(const QImage& image) {
    std::set<QRgb> seen;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) seen.insert(image.pixel(x, y) & 0xFFFFFF);
    return static_cast<int>(seen.size());
}

// The largest difference of one colour channel, and the mean over all channels.
struct Difference {
    int worst = 0;
    double mean = 0;
};
Difference difference(const QImage& a, const QImage& b) {
    Difference d;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            for (int e : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)}) {
                d.worst = std::max(d.worst, std::abs(e));
                sum += std::abs(e);
            }
        }
    d.mean = sum / (3.0 * a.width() * a.height());
    return d;
}

class SaveScreenTest : public ::testing::Test {
  protected:
    void SetUp() override {
        doc.files.writeDirectory = folder.path() + "/";
        doc.display.displayCircle = 1;
        frame = std::make_unique<CMainFrame>(doc);
        frame->setOperatorPort(&op);
        frame->resize(900, 650);
        frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    }

    // Saves to the answer given; true when the command ran.
    bool save(std::optional<std::string> answer) {
        op.saveAnswers.push_back(std::move(answer));
        return frame->executeCommand(kCmdSaveScreen);
    }

    test::TempFolder folder;
    CSondrelDoc doc;
    testing::ScriptedOperator op;
    std::unique_ptr<CMainFrame> frame;
};

TEST_F(SaveScreenTest, EachFormatHoldsTheWholeWindowAsShown) {
    // Mean error allowed, in levels of 255 per channel: none for the lossless
    // formats; GIF is lossless too unless the window has more colours than a
    // palette holds (smoothed menu text), JPEG never is.
    struct Case {
        const char* name;
        double meanError;
    };
    for (const Case& c : {Case{"shot.bmp", 0}, Case{"shot.gif", 1.0}, Case{"shot.jpg", 4.0},
                          Case{"shot.jpeg", 4.0}, Case{"shot.tif", 0}, Case{"Shot.PNG", 0}}) {
        SCOPED_TRACE(c.name);
        const std::string path = folder.file(c.name);
        ASSERT_TRUE(save(path));
        EXPECT_TRUE(op.messages.empty()) << op.messages.front();
        const QImage shown = frame->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const bool gif = std::string(c.name).ends_with(".gif");
        QImage saved = gif ? readGif(path) : QImageReader(QString::fromStdString(path)).read();
        ASSERT_FALSE(saved.isNull());
        saved = saved.convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(saved.size(), frame->size());
        ASSERT_EQ(saved.size(), shown.size());
        const Difference d = difference(saved, shown);
        if (c.meanError == 0 || (gif && distinctColours(shown) <= 256)) {
            EXPECT_EQ(d.worst, 0);
        } else {
            EXPECT_LT(d.mean, c.meanError);
        }
    }
    EXPECT_EQ(op.saveRequests.front().title, "Save Image As:");
    EXPECT_EQ(op.saveRequests.front().directory, folder.path() + "/");
}

TEST(GifEncoder, APictureOfFewColoursIsReadBackExactly) {
    // 200 colours, as the sonar view without menus has, in an odd size.
    QImage picture(203, 77, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const int v = (x * 7 + y * 3) % 200;
            picture.setPixel(x, y, qRgb(v, 40 + v / 2, v % 3 * 100));
        }
    ASSERT_LE(distinctColours(picture), 256);
    const EncodedPicture gif = encodeGif(picture);
    ASSERT_TRUE(gif.ok()) << gif.error.toStdString();
    test::TempFolder folder;
    const std::string path =
        folder.write("few.gif", std::string_view(gif.bytes.constData(), gif.bytes.size()));
    const QImage back = readGif(path);
    ASSERT_EQ(back.size(), picture.size());
    EXPECT_EQ(difference(back, picture).worst, 0);
}

TEST_F(SaveScreenTest, FailuresAreToldAndNothingIsLeftBehind) {
    // Cancelled: nothing written, nothing said.
    ASSERT_TRUE(save(std::nullopt));
    EXPECT_TRUE(op.messages.empty());

    // No known extension.
    for (const char* name : {"shot", "shot.jpe"}) {
        ASSERT_TRUE(save(folder.file(name)));
        ASSERT_EQ(op.messages.size(), 1u);
        EXPECT_EQ(op.messages.back(), "Invalid File Format");
        EXPECT_FALSE(std::filesystem::exists(folder.file(name)));
        op.messages.clear();
    }

    // A folder that is a file, one that has gone, and a full disk in each encoder.
    std::vector<std::pair<std::string, const char*>> failures = {
        {folder.write("plain", "x") + "/shot.png", "Not a directory"},
        {folder.file("gone") + "/shot.bmp", "No such file or directory"}};
    for (const char* name : {"full.png", "full.bmp", "full.gif", "full.jpg"}) {
        std::filesystem::create_symlink("/dev/full", folder.file(name));
        failures.emplace_back(folder.file(name), "No space left on device");
    }
    for (const auto& [path, reason] : failures) {
        ASSERT_TRUE(save(path));
        ASSERT_EQ(op.messages.size(), 1u) << path;
        EXPECT_NE(op.messages.back().find(path), std::string::npos) << op.messages.back();
        EXPECT_NE(op.messages.back().find(reason), std::string::npos) << op.messages.back();
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(path))) << path;
        op.messages.clear();
    }

    // A window with nothing on screen cannot be pictured.
    frame->hide();
    ASSERT_TRUE(save(folder.file("hidden.png")));
    EXPECT_EQ(op.messages, std::vector<std::string>{"Can't save the screen!"});
    EXPECT_FALSE(std::filesystem::exists(folder.file("hidden.png")));
}

}  // namespace
}  // namespace sondrel
