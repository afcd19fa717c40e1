#pragma once

#include <QColor>

#include "common/Colour.h"

namespace sondrel {

// The core's colours as the windows paint them.
inline QColor qcolour(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

}  // namespace sondrel
