#pragma once

#include <QColor>
#include <QFont>

class QApplication;

// Background of the one-line edit that has the focus.
inline const QColor focusedEditColour(237, 240, 125);

// Fonts (the Ming face behind "細明體"), the focused-edit colour and Qt's own Chinese texts,
// for the program and for every test program alike.
void setupApplicationLook(QApplication& app);

// 細明體 at a size in pixels.
QFont mingFont(int pixelSize, bool bold = false);
