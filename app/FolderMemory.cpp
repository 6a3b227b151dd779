#include "app/FolderMemory.h"

#include <QFileInfo>
#include <QSettings>

namespace tabrix::app {

namespace {
bool keptBetweenRuns = true;

QSettings settings() {
    return QSettings("Tabrix", "Tabrix");
}
QString pageKey(int page) {
    return QString("folders/page%1").arg(page);
}
} // namespace

FolderMemory::FolderMemory(QObject* parent) : QObject(parent), m_kept(keptBetweenRuns) {
    setObjectName("folderMemory");
}

void FolderMemory::setKeptBetweenRuns(bool kept) {
    keptBetweenRuns = kept;
}

QVariant FolderMemory::value(const QString& key, const QVariant& fallback) const {
    return m_kept ? settings().value(key, fallback) : m_thisRun.value(key, fallback);
}

void FolderMemory::setValue(const QString& key, const QVariant& value) {
    if (m_kept)
        settings().setValue(key, value);
    else
        m_thisRun[key] = value;
}

QString FolderMemory::startFolder() const {
    const QString folder = value(pageKey(m_page)).toString();
    // A folder that has gone since is not offered; the dialog then starts where the platform starts it.
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

void FolderMemory::remember(const QString& path) {
    const QFileInfo info(path);
    const QString folder = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
    if (!folder.isEmpty()) setValue(pageKey(m_page), folder);
}

bool FolderMemory::newerVersionChosen() const {
    return value("version/xlsx", false).toBool();
}

void FolderMemory::rememberVersion(bool newer) {
    setValue("version/xlsx", newer);
}

} // namespace tabrix::app
