#include "app/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVariant>
#include <QWidget>
#include <cmath>

namespace tabrix::app {

namespace {
constexpr const char* kTwipsProperty = "tabrixTwips";

double dpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double value = screen ? screen->logicalDotsPerInch() : 96.0;
    return value > 0 ? value : 96.0;
}

void apply(QWidget* widget, const QRect& twips) {
    widget->setProperty(kTwipsProperty, twips);
    widget->setGeometry(toPixels(twips.left()), toPixels(twips.top()), toPixels(twips.width()),
                        toPixels(twips.height()));
}
} // namespace

int toPixels(int twips) {
    return static_cast<int>(std::lround(twips * dpi() / 1440.0));
}

int toTwips(int pixels) {
    return static_cast<int>(std::lround(pixels * 1440.0 / dpi()));
}

QRect twipsGeometry(const QWidget* widget) {
    const QVariant stored = widget->property(kTwipsProperty);
    if (stored.isValid()) return stored.toRect();
    const QRect px = widget->geometry();
    return {toTwips(px.left()), toTwips(px.top()), toTwips(px.width()), toTwips(px.height())};
}

void setTwipsGeometry(QWidget* widget, int left, int top, int width, int height) {
    apply(widget, QRect(left, top, width, height));
}

void setTwipsTop(QWidget* widget, int top) {
    QRect r = twipsGeometry(widget);
    r.moveTop(top);
    apply(widget, r);
}

void setTwipsLeft(QWidget* widget, int left) {
    QRect r = twipsGeometry(widget);
    r.moveLeft(left);
    apply(widget, r);
}

void setTwipsSize(QWidget* widget, int width, int height) {
    QRect r = twipsGeometry(widget);
    r.setSize({width, height});
    apply(widget, r);
}

void sizeToText(QWidget* widget) {
    const QSize hint = widget->sizeHint();
    setTwipsSize(widget, toTwips(hint.width()), toTwips(hint.height()));
}

} // namespace tabrix::app
