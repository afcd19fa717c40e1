#include "display/StatusPanes.h"

#include <array>

namespace sondrel {

namespace {

using R = PaneRole;
constexpr auto kStatusPanes = std::to_array<StatusPane>({
    {0, "", R::Message, 50},
    {1, "Pitch:", R::Label, kFitText},
    {2, ".", R::Pitch, 50},
    {16, "  ", R::Spacer, 10},
    {3, "Roll:", R::Label, kFitText},
    {4, ".", R::Roll, 50},
    {17, "  ", R::Spacer, 10},
    {5, "Distance:", R::Label, kFitText},
    {6, ".", R::Distance, 65},
    {18, "  ", R::Spacer, 15},
    {7, "Horz:", R::Label, kFitText},
    {8, ".", R::CursorHorizontal, 50},
    {19, "  ", R::Spacer, 10},
    {9, "Vert:", R::Label, kFitText},
    {10, ".", R::CursorVertical, 50},
    {20, "  ", R::Spacer, 10},
    {11, "Range:", R::Label, kFitText},
    {12, ".", R::CursorRange, 50},
    {21, "  ", R::Spacer, 10},
    {13, "Bearing:", R::Label, kFitText},
    {14, ".", R::CursorBearing, 55},
    {22, "  ", R::Spacer, 10},
    {15, ".", R::PingTime, 120},
});

}  // namespace

std::span<const StatusPane> statusPanes() {
    return kStatusPanes;
}

const std::string* paneText(const StatusPaneTexts& texts, PaneRole role) {
    switch (role) {
        case PaneRole::Message:
            return &texts.message;
        case PaneRole::Pitch:
            return &texts.pitch;
        case PaneRole::Roll:
            return &texts.roll;
        case PaneRole::Distance:
            return &texts.distance;
        case PaneRole::CursorHorizontal:
            return &texts.horizontal;
        case PaneRole::CursorVertical:
            return &texts.vertical;
        case PaneRole::CursorRange:
            return &texts.range;
        case PaneRole::CursorBearing:
            return &texts.bearing;
        case PaneRole::PingTime:
            return &texts.dateTime;
        case PaneRole::Label:
        case PaneRole::Spacer:
            break;
    }
    return nullptr;
}

}  // namespace sondrel
