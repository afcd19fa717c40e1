#pragma once
// Display and drawing options kept by the document and stored in the settings
// file. Colours are 0x00BBGGRR values.

#include <cstdint>

#include "common/Colour.h"

namespace sondrel {

inline constexpr Colour kDefaultPointsColour = 0xFAFAFA;
inline constexpr Colour kDefaultGridColour = 0x003278;
inline constexpr Colour kDefaultBackgroundColour = 0x000000;
inline constexpr Colour kDefaultTextColour = 0xDCDCDC;
inline constexpr Colour kDefaultCircleColour = 0x009696;
inline constexpr Colour kDefaultLineColour = 0x969600;

struct DisplaySettings {
    int colourTable = 0;    // "ColorTable", 0..8
    int viewRangeMark = 1;  // "ViewRangeMark"
    int gridStyle = 1;      // "Grid": 0 solid, 1 dotted, 2 dashed
    int showGrid = 1;       // command "Show Grid"
    int diagnosticsVisible = 0;
    int settingsDlgVisible = 0;
    int profileDispMode = 0;  // "ProfileDispMode", 0..4
    double profileMixFactor = 1.0;
    double zoom = 1.0;  // "Zoom"
    Colour pointsColour = kDefaultPointsColour;
    Colour gridColour = kDefaultGridColour;
    Colour bkColour = kDefaultBackgroundColour;
    Colour textColour = kDefaultTextColour;
    Colour circleColour = kDefaultCircleColour;
    Colour lineColour = kDefaultLineColour;
    int pointSize = 0;       // 0 small, 1 medium, 2 large
    int textSize = 0;        // 0..4
    int displayPrd = 0;      // "Display PRD"
    int rollCorrection = 0;  // "RollCorrection"
    int circleOffsetX = 0;
    int circleOffsetY = 0;
    double circleDiameter = 1.0;
    int displayCircle = 0;
    int unitsFeet = 0;  // "Metric Scale": 0 metres, 1 feet

    void setDefaultColours() {
        pointsColour = kDefaultPointsColour;
        gridColour = kDefaultGridColour;
        bkColour = kDefaultBackgroundColour;
        textColour = kDefaultTextColour;
        circleColour = kDefaultCircleColour;
        lineColour = kDefaultLineColour;
    }
};

// The mix factor that goes with a profile display mode.
inline double profileMixFactorFor(int mode) {
    switch (mode) {
        case 1:
            return 0.0;
        case 2:
            return 0.25;
        case 3:
            return 0.5;
        default:
            return 1.0;
    }
}

}  // namespace sondrel
