#pragma once
// The pointer shapes of the view's input modes, drawn here: a cross-hair over
// the image, an I-beam for placing text and a cross-hair with a rule for
// measuring. Each is a light shape with a dark outline, so it shows on the
// dark sonar background and on light colour tables alike.

#include <QCursor>

#include "display/ViewInteraction.h"

namespace sondrel {

QCursor viewCursorShape(ViewCursor kind);

}  // namespace sondrel
