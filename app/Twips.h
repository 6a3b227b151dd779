#pragma once

#include <QRect>

class QWidget;

namespace tabrix::app {

/// Positions and sizes are kept in twips (1/1440 inch), as the window's layout is given, and turned into pixels
/// on the screen's logical dpi: 15 twips are one pixel at 96 dpi. Each placed widget remembers its twips box,
/// so moving by twips never accumulates pixel rounding.
int toPixels(int twips);
int toTwips(int pixels);

/// Places a widget by its twips box, relative to its parent.
void setTwipsGeometry(QWidget* widget, int left, int top, int width, int height);
void setTwipsTop(QWidget* widget, int top);
void setTwipsLeft(QWidget* widget, int left);
void setTwipsSize(QWidget* widget, int width, int height);
/// Sizes a label to its text (kept at its twips position) the way a label with automatic size does.
void sizeToText(QWidget* widget);

/// The twips box last given to the widget; a widget never placed by twips reports its pixel box converted.
QRect twipsGeometry(const QWidget* widget);
inline int twipsTop(const QWidget* w) {
    return twipsGeometry(w).top();
}
inline int twipsHeight(const QWidget* w) {
    return twipsGeometry(w).height();
}

} // namespace tabrix::app
