#include "app/Fonts.h"

#include <QPalette>
#include <QWidget>

namespace tabrix::app {

void installFontSubstitutions() {
    // The window is laid out for a Song face; these are the Song/Ming faces Debian packages, best match first.
    QFont::insertSubstitutions(kSongTi,
                               {"AR PL UMing CN", "AR PL SungtiL GB", "Noto Serif CJK SC", "Source Han Serif SC",
                                "AR PL UKai CN", "Noto Sans CJK SC", "WenQuanYi Zen Hei", "Droid Sans Fallback"});
}

QFont songFont(double points, bool bold) {
    QFont font(kSongTi);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

void setSongFont(QWidget* widget, double points, bool bold) {
    widget->setFont(songFont(points, bold));
}

void setTextColour(QWidget* widget, const QColor& colour) {
    QPalette p = widget->palette();
    p.setColor(QPalette::WindowText, colour);
    p.setColor(QPalette::Text, colour);
    p.setColor(QPalette::ButtonText, colour);
    widget->setPalette(p);
}

void setBackground(QWidget* widget, const QColor& colour) {
    QPalette p = widget->palette();
    p.setColor(QPalette::Window, colour);
    p.setColor(QPalette::Button, colour);
    widget->setPalette(p);
    widget->setAutoFillBackground(true);
}

} // namespace tabrix::app
