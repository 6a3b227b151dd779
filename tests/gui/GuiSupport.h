#pragma once

#include "app/DialogScript.h"
#include "app/Form1.h"
#include "app/Twips.h"

#include <QDesktopServices>
#include <QObject>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <QUrl>
#include <string>
#include <vector>

namespace tabrix::test {

/// Twips box of a control of the window, found by name.
inline QRect box(const app::Form1& form, const QString& name) {
    return app::twipsGeometry(form.control(name));
}
inline int top(const app::Form1& form, const QString& name) {
    return box(form, name).top();
}

inline QString indexed(const char* name, int i) {
    return QString("%1(%2)").arg(name).arg(i);
}

/// A mouse button released over a control (pressed there first, as a user's click does).
inline void click(app::Form1& form, const QString& name, Qt::MouseButton button = Qt::LeftButton) {
    QWidget* w = form.control(name);
    QVERIFY2(w, qPrintable("no control " + name));
    QTest::mouseClick(w, button);
}

/// Opens sub-entry k of its group the way a user does: the group's entry, then the sub-entry.
inline void openPage(app::Form1& form, int page) {
    const int group = page <= 2 ? 1 : page <= 5 ? 2 : page <= 8 ? 3 : 4;
    click(form, indexed("menu1", group));
    if (page != 9) click(form, indexed("menu2", page));
}

/// A button pressed the way a click does.
inline void press(app::Form1& form, const QString& button) {
    form.control<QPushButton>(button)->click();
}

/// Every message box and prompt shown so far, as "title: text".
inline QStringList messageTexts() {
    QStringList out;
    for (const auto& m : app::DialogScript::messages())
        out << m.title + ": " + m.text;
    return out;
}

/// One sheet's cells for makeBook: rows of texts, numbers written as numbers when they parse as such.
struct SheetSpec {
    std::string name;
    std::vector<std::vector<std::string>> rows;
};
void makeBook(const std::string& path, const std::vector<SheetSpec>& sheets);
/// Text of every cell of a worksheet's used range, row by row, "|" between cells.
std::vector<std::string> readSheet(const std::string& path, int sheet);

/// Records the files the window asks the desktop to open, instead of opening them.
class OpenedUrls : public QObject {
    Q_OBJECT
public:
    OpenedUrls() { QDesktopServices::setUrlHandler("file", this, "open"); }
    ~OpenedUrls() override { QDesktopServices::unsetUrlHandler("file"); }
    std::vector<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.push_back(url); }
};

} // namespace tabrix::test
