#include "app/CommonDialog.h"

#include "app/DialogScript.h"
#include "app/FolderMemory.h"

#include <QFileDialog>
#include <QWidget>
#include <QStringList>

namespace tabrix::app {

namespace {
// The titles the dialog shows before any page has given it one.
constexpr const char* kDefaultOpenTitle = "打开";
constexpr const char* kDefaultSaveTitle = "另存为";
} // namespace

QString qtFileFilter(const QString& filter) {
    const QStringList parts = filter.split('|');
    QStringList out;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString label = parts[i];
        QString patterns = i + 1 < parts.size() ? parts[i + 1] : QString();
        patterns.replace(';', ' ');
        patterns = patterns.trimmed();
        // Qt filters by the last parenthesised text of the label; when it already shows the patterns the label
        // stays as the user should read it, otherwise the patterns are added in Qt's way.
        if (patterns.isEmpty() || label.endsWith("(" + patterns + ")"))
            out << label;
        else
            out << label + " (" + patterns + ")";
    }
    return out.join(";;");
}

CommonDialog::CommonDialog(QWidget* owner) : QObject(owner), m_owner(owner) {
    setObjectName("cmd");
}

void CommonDialog::showOpen() {
    show(false);
}
void CommonDialog::showSave() {
    show(true);
}

void CommonDialog::show(bool save) {
    const QString title = !m_title.isEmpty() ? m_title : QString(save ? kDefaultSaveTitle : kDefaultOpenTitle);
    const QString filter = qtFileFilter(m_filter);
    // The file name is always set empty before a dialog, so it opens in the folder last used on its page.
    auto* memory = m_owner ? m_owner->findChild<FolderMemory*>() : nullptr;
    const QString start = m_fileName.isEmpty() && memory ? memory->startFolder() : m_fileName;
    std::optional<QString> chosen;
    if (DialogScript::active()) {
        chosen = DialogScript::takeFile(save ? DialogScript::Kind::Save : DialogScript::Kind::Open, title, m_filter,
                                        start);
    } else {
        // The save dialog asks nothing about an existing file: the save sequence asks in its own words.
        const QString path = save ? QFileDialog::getSaveFileName(m_owner, title, start, filter, nullptr,
                                                                 QFileDialog::DontConfirmOverwrite)
                                  : QFileDialog::getOpenFileName(m_owner, title, start, filter);
        if (!path.isEmpty()) chosen = path;
    }
    if (!chosen || chosen->isEmpty()) {
        if (m_cancelError) throw DialogCancelled{};
        return;
    }
    m_fileName = *chosen;
    if (memory) memory->remember(*chosen);
}

} // namespace tabrix::app
