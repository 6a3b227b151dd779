#pragma once

#include <QObject>
#include <QString>
#include <QVariantMap>

namespace tabrix::app {

/// The folders the user last chose files or folders in, one per page, and the version selector's last choice,
/// kept between runs (QSettings). A page never used starts its dialogs where the platform would.
class FolderMemory : public QObject {
    Q_OBJECT
public:
    explicit FolderMemory(QObject* parent);

    /// The page whose dialogs are opened next (the page on show).
    void setPage(int page) { m_page = page; }
    /// Where the next dialog of the current page opens; empty when the page has no folder yet.
    QString startFolder() const;
    /// Remembers the folder of a chosen file (or a chosen folder itself) for the current page.
    void remember(const QString& path);

    /// The version selector's last choice: true for the 2007 format; false when none was ever made.
    bool newerVersionChosen() const;
    void rememberVersion(bool newer);

    /// Whether windows made from now on keep what they remember between runs (tests turn it off so that every
    /// window they make starts as a first start does, and turn it on to test the memory itself).
    static void setKeptBetweenRuns(bool kept);

private:
    QVariant value(const QString& key, const QVariant& fallback = {}) const;
    void setValue(const QString& key, const QVariant& value);

    int m_page = 0;
    bool m_kept;
    QVariantMap m_thisRun; ///< what is remembered when nothing is kept between runs
};

} // namespace tabrix::app
