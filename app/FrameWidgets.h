#pragma once

#include <QPixmap>
#include <QWidget>
#include <vector>

namespace tabrix::app {

/// The banner `toppic`: its stored picture at the left, then copies of the tile picture wherever the window's
/// width asks for them.
class Banner : public QWidget {
    Q_OBJECT
public:
    explicit Banner(QWidget* parent);
    void setPictures(const QPixmap& picture, int pictureWidth, int pictureHeight, const QPixmap& tile);
    void clearTiles();
    void addTile(int left, int width, int height);
    /// Twips lefts of the tiles painted so far.
    std::vector<int> tileLefts() const;

signals:
    /// The pointer moved over the banner itself (not over the help link).
    void pointerMoved();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    struct Tile {
        int left, width, height;
    };
    QPixmap m_picture, m_tile;
    int m_pictureWidth = 0, m_pictureHeight = 0;
    std::vector<Tile> m_tiles;
};

/// The navigation panel `left_menu`: a plain background with the panel's foot picture painted at its bottom.
class NavPanel : public QWidget {
    Q_OBJECT
public:
    explicit NavPanel(QWidget* parent);
    /// Clears what was painted and paints the foot picture at (0, top), in twips.
    void paintFoot(const QPixmap& picture, int top, int width, int height);
    int footTop() const { return m_footTop; }

signals:
    /// The pointer moved over the panel's background, not over one of its controls.
    void backgroundHovered();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QPixmap m_foot;
    int m_footTop = -1, m_footWidth = 0, m_footHeight = 0;
};

} // namespace tabrix::app
