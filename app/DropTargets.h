#pragma once

#include <QObject>
#include <QString>

class QDropEvent;

namespace tabrix::app {

class Form1;
class SourceSelection;

/// Files and folders dragged from a file manager onto a page's path box, or anywhere on the page: a workbook
/// fills the page's file box and a folder its folder box, exactly as the box's "浏览" would after its dialog;
/// anything else is refused with a short log line.
class DropTargets : public QObject {
    Q_OBJECT
public:
    DropTargets(Form1& form, SourceSelection& sources);

    /// What a drop of this local path on the named box or page (objectName) does; true when it was taken.
    bool drop(const QString& target, const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString boxFor(const QString& target, bool folder) const;
    void refuse(const QString& path, const QString& why);

    Form1& m_form;
    SourceSelection& m_sources;
};

} // namespace tabrix::app
