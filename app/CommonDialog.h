#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace tabrix::app {

/// Raised by the shared dialog when the user cancels and cancel is asked to count as an error.
struct DialogCancelled {};

/// The window's one shared open/save dialog `cmd`. Its settings outlive each use: a button that sets no title
/// shows the title the dialog was last given by any page.
class CommonDialog : public QObject {
    Q_OBJECT
public:
    explicit CommonDialog(QWidget* owner);

    void setCancelError(bool on) { m_cancelError = on; }
    void setDialogTitle(const QString& title) { m_title = title; }
    QString dialogTitle() const { return m_title; }
    /// Filter as "label(*.ext)|*.ext", pairs separated by "|".
    void setFilter(const QString& filter) { m_filter = filter; }
    QString filter() const { return m_filter; }
    void setFileName(const QString& name) { m_fileName = name; }
    QString fileName() const { return m_fileName; }

    /// Shows the dialog; the chosen path lands in fileName(). Cancel throws DialogCancelled when cancel is an
    /// error, else leaves fileName() as it was set.
    void showOpen();
    void showSave();

private:
    void show(bool save);
    QWidget* m_owner;
    bool m_cancelError = false;
    QString m_title;
    QString m_filter;
    QString m_fileName;
};

/// The dialog filter "label(*.ext)|*.ext" in Qt's form "label(*.ext)", several pairs joined by ";;".
QString qtFileFilter(const QString& filter);

} // namespace tabrix::app
