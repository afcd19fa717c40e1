#pragma once
// The toolbar's button pictures, drawn in code so that they stay crisp at any
// scale and need no image files.

#include <QIcon>

namespace sondrel {

// The picture of a toolbar command; a null icon for a command without a button.
QIcon toolbarIcon(int commandId);

}  // namespace sondrel
