#include "display/ViewPainter.h"
#include "common/SonarBitmap.h"

#include <algorithm>

#include "acquisition/SonarTables.h"
#include "acquisition/SondrelDoc.h"
#include "display/Overlays.h"
#include "display/StatusTexts.h"
#include "display/TextFormat.h"

namespace sondrel {

namespace {

constexpr int kStatusPixels = 15;
constexpr int kRangePixels = 25;
constexpr int kLabelPixels = 20;

constexpr Rgb kConnectionFill{200, 0, 0};
constexpr Rgb kConnectionInk{250, 250, 250};
constexpr Rgb kRangeInk{200, 200, 0};
constexpr Rgb kDivisionInk{255, 150, 0};
constexpr Rgb kActiveInk{0, 255, 0};
constexpr Rgb kIdleInk{220, 220, 0};
constexpr Rgb kFileSizeInk{200, 200, 0};
constexpr Rgb kAlarmInk{255, 70, 70};

// The sonar head's fixed frequency, printed under the range mark.
constexpr const char* kFrequencyText = "2.25 MHz";

// "Recording...": the number of dots follows the ping counter, 0 to 6.
std::string withDots(const char* text, int counter) {
    const int dots = ((counter % 7) + 7) % 7;
    return std::string(text) + std::string(static_cast<std::size_t>(dots), '.');
}

void drawConnectionBox(const CSondrelDoc& doc, ViewState& view, DisplayList& out) {
    const int w = view.clientWidth, h = view.clientHeight;
    const ConnectionText c = connectionText(doc, view.statusAlternation, w);
    if (c.text.empty()) view.statusPaintCount = 0;
    // The alternation runs on while a drag or an input mode hides the box, so
    // the box comes back in step with the polls.
    if (!c.text.empty() && doc.link.pollToggle == 1) {
        if (!view.dragging() && !view.requests.anyInputMode()) {
            out.fillRect(w / 2 - 100, h - 30, 200, 25, kConnectionFill);
            out.text(c.x, h - 27, c.text, kStatusPixels, kConnectionInk);
            out.rect(w / 2 - 100, h - 30, 200, 25, strokeOnly(solidPen(kConnectionInk)));
        }
        ++view.statusPaintCount;
    }
    if (view.statusPaintCount == 1) {
        view.statusPaintCount = 0;
        view.statusAlternation = !view.statusAlternation;
    }
}

void drawStatusTexts(const CSondrelDoc& doc, ViewState& view, DisplayList& out) {
    const int w = view.clientWidth, h = view.clientHeight;
    drawConnectionBox(doc, view, out);

    if (doc.display.viewRangeMark) {
        out.text(5, 5, rangeMarkText(doc), kRangePixels, kRangeInk);
        out.text(5, 35, kFrequencyText, kLabelPixels, kRangeInk);
        if (doc.display.showGrid)
            out.text(95, 8, gridDivisionText(doc), kLabelPixels, kDivisionInk);
    }
    out.text(95, 35, gainText(doc), kLabelPixels, kDivisionInk);

    if (conversionShown(doc)) {
        out.text(w / 2 - 150, 5, "XYZ File converting.....  Please wait !", kStatusPixels,
                 kIdleInk);
    }
    const ActivityLine activity = activityLine(doc, w);
    out.text(activity.x, 5, activity.text, kStatusPixels, activity.colour);

    if (doc.flags.recordingActive && !doc.flags.holdActive) {
        out.text(w - 150, 30, fileSizeText(doc), kStatusPixels, kFileSizeInk);
    }
    if (doc.display.displayCircle) {
        out.text(w / 2 - 80, h - 50, circleDiameterText(doc), kStatusPixels,
                 rgbFromColour(doc.display.textColour));
    }
}

}  // namespace

ConnectionText connectionText(const CSondrelDoc& doc, int alternation, int clientWidth) {
    const int half = clientWidth / 2;
    const bool ethernet = doc.head.sonarType == kTypeQ;
    if (!doc.flags.playbackActive && doc.link.linkState != LinkState::Connected) {
        if (!alternation) return {"No Connection", half - 45};
        if (ethernet) return {formatted("IP: %s", doc.link.ipAddress.c_str()), half - 55};
        return {formatted("Com Port - : COM%d ", doc.link.sonarComPort), half - 65};
    }
    // An Ethernet head's cycle marks no new data as each command goes out, a
    // moment before its answer; a paint paced apart from the pings may fall in
    // that moment. Only a poll that brought nothing leaves no ping on screen.
    if (doc.link.noNewData == 1 && !doc.pings.pingOnScreen) {
        if (ethernet)
            return {formatted("No Data at IP: %s", doc.link.ipAddress.c_str()), half - 85};
        return {formatted("No Data at  COM%d ", doc.link.sonarComPort), half - 65};
    }
    return {};
}

bool conversionShown(const CSondrelDoc& doc) {
    // The flag outlives a conversion cut short by a connect; only a file being
    // played back is being converted.
    return doc.flags.playbackActive && doc.flags.xyzConversionActive;
}

ActivityLine activityLine(const CSondrelDoc& doc, int clientWidth) {
    if (doc.flags.holdActive) return {"Held", kIdleInk, clientWidth - 90};
    const int n = doc.pings.pingCount;
    const bool recording = doc.flags.recordingActive;
    if (doc.flags.playbackActive) {
        if (recording) return {withDots("File Copying", n), kActiveInk, clientWidth - 150};
        return {withDots("File Playing", n), kIdleInk, clientWidth - 150};
    }
    if (doc.recordingPaused())
        return {std::string(kRecordingPausedText), kAlarmInk, clientWidth - 230};
    if (recording && doc.flags.surveyHeaderMissing)
        return {withDots(kRecordingWithoutHeaderText, n), kActiveInk, clientWidth - 320};
    if (recording) return {withDots("Recording", n), kActiveInk, clientWidth - 150};
    return {"Not " + withDots("Recording", n), kIdleInk, clientWidth - 175};
}

std::string rangeMarkText(const CSondrelDoc& doc) {
    const double range = rangeMetresForIndex(doc.headOnShow().rangeIndex);
    return doc.display.unitsFeet == 1 ? formatted("%.2f ft", range * 3.0)
                                      : formatted("%.2f m", range);
}

std::string gridDivisionText(const CSondrelDoc& doc) {
    const double range = rangeMetresForIndex(doc.headOnShow().rangeIndex);
    return doc.display.unitsFeet == 1 ? formatted("(%.2f ft/div)", range * 3.0 / 5.0)
                                      : formatted("(%.2f m/div)", range / 5.0);
}

std::string gainText(const CSondrelDoc& doc) {
    return formatted("(%d dB)", doc.headOnShow().gainDb);
}

std::string fileSizeText(const CSondrelDoc& doc) {
    return formatted("%lld K Bytes", static_cast<long long>(doc.files.recordFileBytes / 1024));
}

std::string circleDiameterText(const CSondrelDoc& doc) {
    const double d = doc.display.circleDiameter;
    return doc.display.unitsFeet == 1 ? formatted("Circle Diameter: %.2f ft", d / kMetresPerFoot)
                                      : formatted("Circle Diameter: %.2f m", d);
}

int orientationIconId(int xdcrForward, int zeroDown) {
    if (xdcrForward == 1) return zeroDown == 1 ? kIconFwdDown : kIconFwdUp;
    return zeroDown == 1 ? kIconAftDown : kIconAftUp;
}

void buildViewFrame(CSondrelDoc& doc, ViewState& view, DisplayList& out, ProfileExport* exporter) {
    out.clear();
    const int w = view.clientWidth, h = view.clientHeight;
    if (w <= 0 || h <= 0) return;  // no back buffer yet

    out.fillRect(0, 0, w, h, rgbFromColour(doc.display.bkColour));
    // A drag can only move the image so far; the bound keeps the centre's
    // arithmetic in range whatever the offset was set to.
    constexpr int kMaxImageOffset = 1'000'000;
    const int offsetX = std::clamp(view.imageOffsetX, -kMaxImageOffset, kMaxImageOffset);
    const int offsetY = std::clamp(view.imageOffsetY, -kMaxImageOffset, kMaxImageOffset);
    view.imageCentreX = offsetX + w / 2;
    view.imageCentreY = offsetY + h / 2;

    const double zoom = doc.display.zoom;
    out.save();
    out.translate(offsetX, offsetY);
    if (doc.display.showGrid) drawGrid(doc, w, h, out);
    // Image pixel (0, 0) of the zoomed image, centred in the window.
    out.translate(w * 0.5 - kSonarImageSize * zoom * 0.5, h * 0.5 - kSonarImageSize * zoom * 0.5);
    runProfilePass(doc, view.profile, exporter);
    out.profilePoints(view.profile.ellipses, rgbFromColour(doc.display.pointsColour));
    if (doc.display.displayCircle) drawCircle(doc, view, out);
    out.restore();

    drawAnnotations(doc, view, out);
    drawStatusTexts(doc, view, out);
    out.icon(orientationIconId(doc.headOnShow().xdcrForward, doc.headOnShow().zeroDown), w - 50,
             h - 50);
    if (doc.display.displayPrd) drawOrientationPanel(doc, h, out);
}

}  // namespace sondrel
