#include "app/FrameWidgets.h"

#include "app/Twips.h"

#include <QMouseEvent>
#include <QPainter>

namespace tabrix::app {

Banner::Banner(QWidget* parent) : QWidget(parent) {
    setObjectName("toppic");
    setMouseTracking(true);
}

void Banner::setPictures(const QPixmap& picture, int pictureWidth, int pictureHeight, const QPixmap& tile) {
    m_picture = picture;
    m_pictureWidth = pictureWidth;
    m_pictureHeight = pictureHeight;
    m_tile = tile;
    update();
}

void Banner::clearTiles() {
    m_tiles.clear();
    update();
}

void Banner::addTile(int left, int width, int height) {
    m_tiles.push_back({left, width, height});
    update();
}

std::vector<int> Banner::tileLefts() const {
    std::vector<int> lefts;
    for (const auto& t : m_tiles)
        lefts.push_back(t.left);
    return lefts;
}

void Banner::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawPixmap(QRect(0, 0, toPixels(m_pictureWidth), toPixels(m_pictureHeight)), m_picture);
    for (const auto& t : m_tiles)
        p.drawPixmap(QRect(toPixels(t.left), 0, toPixels(t.width), toPixels(t.height)), m_tile);
}

void Banner::mouseMoveEvent(QMouseEvent* event) {
    // A move over the help link reaches the banner too; only the banner's own area counts.
    if (!childAt(event->position().toPoint())) emit pointerMoved();
    QWidget::mouseMoveEvent(event);
}

NavPanel::NavPanel(QWidget* parent) : QWidget(parent) {
    setObjectName("left_menu");
    setMouseTracking(true);
}

void NavPanel::paintFoot(const QPixmap& picture, int top, int width, int height) {
    m_foot = picture;
    m_footTop = top;
    m_footWidth = width;
    m_footHeight = height;
    update();
}

void NavPanel::paintEvent(QPaintEvent*) {
    if (m_footTop < 0 || m_foot.isNull()) return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawPixmap(QRect(0, toPixels(m_footTop), toPixels(m_footWidth), toPixels(m_footHeight)), m_foot);
}

void NavPanel::mouseMoveEvent(QMouseEvent* event) {
    const QWidget* child = childAt(event->position().toPoint());
    if (!child) emit backgroundHovered();
    QWidget::mouseMoveEvent(event);
}

} // namespace tabrix::app
