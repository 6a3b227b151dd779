#pragma once

#include <QColor>
#include <QFont>

class QWidget;

namespace tabrix::app {

/// The font name every control of the window asks for.
inline constexpr const char* kSongTi = "宋体";

/// Lets "宋体" resolve to a Song/Ming face installed here; called once before the first window is built.
void installFontSubstitutions();

QFont songFont(double points, bool bold = false);
void setSongFont(QWidget* widget, double points, bool bold = false);
void setTextColour(QWidget* widget, const QColor& colour);
void setBackground(QWidget* widget, const QColor& colour);

} // namespace tabrix::app
