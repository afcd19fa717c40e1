#pragma once
// Save Screen: asks where to save, takes a picture of the whole main window as
// it shows now, and writes it in the format the file name's extension asks for.

#include <QImage>

class QWidget;

namespace sondrel {

class CSondrelDoc;
class OperatorPort;

void saveScreen(QWidget& window, const CSondrelDoc& doc, OperatorPort& op);

// The window as shown. Where the screen can be read, that is the window with
// its frame and title bar as the window manager draws them; where it cannot
// (Wayland, no display), everything the program draws in it: menu, bars, view
// and status bar. A null picture when neither can be had.
QImage grabMainWindow(QWidget& window);

}  // namespace sondrel
