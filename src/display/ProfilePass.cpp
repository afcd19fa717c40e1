#include "display/ProfilePass.h"
#include "common/SonarBitmap.h"

#include <algorithm>
#include <cmath>

#include "acquisition/SondrelDoc.h"

namespace sondrel {

namespace {

// Conversions of out-of-range doubles to int are undefined; corrupt files can
// carry values that scale points far off the image.
int truncated(double v) {
    if (std::isnan(v)) return 0;
    return static_cast<int>(std::clamp(v, -1e9, 1e9));
}

void fillAngles(ProfilePath::AngleTable& t, double start, double step) {
    double theta = start;
    for (std::size_t i = 0; i < t.theta.size(); ++i, theta += step) {
        const double radians = theta * kSevenDecimalPi / 180;
        t.theta[i] = theta;
        t.sin[i] = std::sin(radians);
        t.cos[i] = std::cos(radians);
    }
    t.start = start;
    t.step = step;
    t.valid = true;
}

struct FormatOneConstants {
    int rangeCode;
    double o, m;
};

// Range codes 2 and 70..100 do not occur with the nine ranges of the table, but
// a head may report them.
constexpr std::array<FormatOneConstants, 13> kFormatOne = {{
    {2, 0.0005, 0.00025},
    {4, 0.001, 0.0005},
    {6, 0.002, 0.001},
    {10, 0.002, 0.002},
    {20, 0.002, 0.004},
    {30, 0.002, 0.006},
    {40, 0.002, 0.008},
    {50, 0.002, 0.01},
    {60, 0.002, 0.012},
    {70, 0.002, 0.014},
    {80, 0.002, 0.016},
    {90, 0.002, 0.018},
    {100, 0.002, 0.02},
}};
constexpr FormatOneConstants kFormatOneOther = {0, 0.003, 0.0015};

// Upper end (inclusive) of each low-byte band and the amount it adds.
struct CorrectionBand {
    int last, add;
};
constexpr std::array<CorrectionBand, 31> kCorrectionBands = {{
    {7, 1},    {9, 2},    {11, 3},   {13, 4},   {15, 5},   {17, 6},   {19, 7},   {21, 8},
    {23, 9},   {25, 10},  {28, 11},  {32, 12},  {36, 13},  {41, 14},  {46, 15},  {52, 16},
    {58, 17},  {65, 18},  {73, 19},  {82, 20},  {92, 21},  {103, 22}, {115, 23}, {129, 24},
    {144, 25}, {161, 26}, {181, 27}, {203, 28}, {226, 29}, {249, 30}, {255, 0},
}};

constexpr std::array<int, 256> buildCorrectionTable() {
    std::array<int, 256> table{};
    int first = 0;
    for (const auto& band : kCorrectionBands) {
        for (int i = first; i <= band.last; ++i) table[static_cast<std::size_t>(i)] = band.add;
        first = band.last + 1;
    }
    return table;
}
constexpr std::array<int, 256> kCorrection = buildCorrectionTable();

}  // namespace

int shortRangeCorrection(int lowByte) {
    return kCorrection[static_cast<std::size_t>(lowByte & 0xFF)];
}

int profileValue(const std::uint8_t* echo, int sample) {
    const std::uint8_t low = echo[2 * sample];
    const std::uint8_t high = echo[2 * sample + 1];
    return high * 128 + (low & 0x7F);
}

namespace {

// A conversion with its constants looked up once, for the 400 samples of a
// pass. The arithmetic is written out in one order only, here.
class ResolvedConversion {
  public:
    explicit ResolvedConversion(const ProfileConversion& c)
        : format_(c.formatCode),
          corrected_(c.formatCode == 1 && c.rangeCode == 4),
          soundVelocity_(c.soundVelocity),
          rangeMetres_(c.rangeMetres) {
        if (format_ == 2 || format_ == 3) {
            const double p = c.pulseLengthCode * 10.0;
            if (c.rangeCode == 4) {
                o_ = 1.3333333e-6;
                l_ = (p + 42.3 - 6.66 - 7) * 1e-6;
            } else if (c.rangeCode == 8) {
                o_ = 4e-6;
                l_ = (p + 35.26 - 20 - 7) * 1e-6;
            } else {
                o_ = 2.66666e-6;
                l_ = (p + 33.93 - 13.33 - 7) * 1e-6;
            }
        } else if (format_ == 1) {
            FormatOneConstants k = kFormatOneOther;
            for (const auto& row : kFormatOne) {
                if (row.rangeCode == c.rangeCode) {
                    k = row;
                    break;
                }
            }
            o_ = k.o;
            m_ = k.m;
        }
    }

    double distance(int value) const {
        double v = value;
        switch (format_) {
            case 2:
            case 3:
                return (v * o_ + l_) * 750 * soundVelocity_ / 1500 * kFullRangePixels /
                       rangeMetres_;
            case 1:
                if (corrected_) v += shortRangeCorrection(value);
                return v * o_ / m_ * soundVelocity_ / 1500;
            default:
                return v;
        }
    }

  private:
    int format_;
    bool corrected_;
    double soundVelocity_, rangeMetres_;
    double o_ = 0.0, l_ = 0.0, m_ = 1.0;
};

}  // namespace

double ProfileConversion::distancePixels(int value) const {
    return ResolvedConversion(*this).distance(value);
}

double profileStartAngle(const CSondrelDoc& doc) {
    return profileStartAngle(doc.headOnShow(), doc.display, doc.orientationOnShow());
}

double profileStartAngle(const HeadSettings& shown, const DisplaySettings& display,
                         const OrientationReadings& orientation) {
    double theta = shown.zeroDown == 1 ? 0.0 : 180.0;
    if (display.rollCorrection && orientation.rollValid) theta += orientation.rollDeg;
    return theta;
}

int profileMinimumDistance(const CSondrelDoc& doc) {
    return profileMinimumDistance(doc.headOnShow());
}

int profileMinimumDistance(const HeadSettings& shown) {
    if (!(shown.rangeMetres > 0.0)) return 0;
    return truncated(shown.profileMinRange * kFullRangePixels / shown.rangeMetres);
}

void runProfilePass(CSondrelDoc& doc, ProfilePath& path, ProfileExport* exporter) {
    doc.clearSonarImage();
    path.ellipses.clear();

    // Live, the settings the head is driven with; played, those the ping was
    // taken with.
    const HeadSettings shown = doc.headOnShow();
    const double start = profileStartAngle(shown, doc.display, doc.orientationOnShow());
    const int minimum = profileMinimumDistance(shown);
    const ResolvedConversion conversion(
        ProfileConversion{doc.ping.headStatusLow, shown.command[cmd::kRange], shown.rangeMetres,
                          shown.soundVelocity, shown.pulseLengthCode});
    const double step = shown.xdcrForward == 1   ? kProfileAngleStep
                        : shown.xdcrForward == 0 ? -kProfileAngleStep
                                                 : 0.0;
    ProfilePath::AngleTable& angles = path.angles;
    // Exact comparison on purpose: the table holds the very values the
    // accumulation from this start gives (a NaN start never matches).
    if (!angles.valid || angles.start != start || angles.step != step) {
        fillAngles(angles, start, step);
    }
    const double zoom = doc.display.zoom;
    const int pointSize = doc.display.pointSize;
    const std::uint8_t* echo = doc.ping.echoLong.data();

    for (int i = 0; i < kProfileSampleCount; ++i) {
        const int value = profileValue(echo, i);
        if (value == 0) continue;
        const double d = conversion.distance(value);
        if (!(d > minimum)) continue;
        const auto k = static_cast<std::size_t>(i);
        if (exporter) exporter->point(d, angles.theta[k]);
        const double x = d * angles.sin[k];
        const double y = -d * angles.cos[k];
        path.lastX = x;
        path.lastY = y;
        const int px = truncated(truncated(x + kFullRangePixels) * zoom);
        const int py = truncated(truncated(y + kFullRangePixels) * zoom);
        switch (pointSize) {
            case 0:
                path.ellipses.push_back({px, py, 1, 1});
                break;
            case 1:
                path.ellipses.push_back({px, py, 2, 2});
                break;
            case 2:
                path.ellipses.push_back({px - 1, py - 1, 3, 3});
                break;
            default:
                break;
        }
    }
    if (exporter) exporter->endOfPing();
}

}  // namespace sondrel
