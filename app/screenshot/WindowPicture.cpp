#include "app/screenshot/WindowPicture.h"

#include "app/Form1.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <cstdio>

namespace tabrix::screenshot {

bool shoot(app::Form1& form, const QString& folder, const QString& name) {
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
        QTest::qWait(60);
    }
    QScreen* screen = form.screen();
    QPixmap picture = screen ? screen->grabWindow(form.winId()) : QPixmap();
    if (picture.isNull() || picture.toImage().allGray()) picture = form.grab();
    const QString path = QDir(folder).filePath(name + ".png");
    const bool saved = picture.save(path);
    std::printf("%s %s\n", saved ? "wrote" : "FAILED", path.toLocal8Bit().constData());
    return saved;
}

} // namespace tabrix::screenshot
