#include "app/DropTargets.h"

#include "app/FolderMemory.h"
#include "app/Form1.h"
#include "app/QtHost.h"
#include "app/SourceSelection.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>

namespace tabrix::app {

namespace {
struct PageBoxes {
    const char* page;
    const char* fileBoxes[2];
    const char* folderBoxes[2];
};

// The path boxes of each page in their order on the page.
const PageBoxes kPages[] = {
    {"fra(1)", {"Text1", nullptr}, {nullptr, nullptr}},
    {"fra(2)", {nullptr, nullptr}, {"Text3", nullptr}},
    {"fra(3)", {"Text5", nullptr}, {nullptr, nullptr}},
    {"fra(4)", {"Text6", nullptr}, {nullptr, nullptr}},
    {"fra(6)", {"Text7(0)", "Text7(1)"}, {nullptr, nullptr}},
    {"fra(7)", {"Text8", nullptr}, {nullptr, nullptr}},
    {"fra(8)", {"Text10(0)", "Text10(1)"}, {nullptr, nullptr}},
    {"fra(9)", {nullptr, nullptr}, {"Text11(0)", "Text11(1)"}},
};

bool isWorkbookName(const QString& path) {
    return path.endsWith("xls") || path.endsWith("xlsx");
}

QString droppedPath(const QMimeData* data) {
    if (!data || !data->hasUrls() || data->urls().size() != 1) return {};
    const QUrl url = data->urls().front();
    return url.isLocalFile() ? url.toLocalFile() : QString();
}
} // namespace

DropTargets::DropTargets(Form1& form, SourceSelection& sources) : QObject(&form), m_form(form), m_sources(sources) {
    for (const PageBoxes& p : kPages) {
        QWidget* page = form.control(p.page);
        page->setAcceptDrops(true);
        page->installEventFilter(this);
        for (QLineEdit* box : page->findChildren<QLineEdit*>()) {
            box->setAcceptDrops(true);
            box->installEventFilter(this);
        }
    }
}

// A drop on a box goes to that box; on the page, to its first empty box of the right kind, else its first one.
QString DropTargets::boxFor(const QString& target, bool folder) const {
    for (const PageBoxes& p : kPages) {
        const char* const* boxes = folder ? p.folderBoxes : p.fileBoxes;
        const char* const* other = folder ? p.fileBoxes : p.folderBoxes;
        for (int i = 0; i < 2; ++i) {
            if (boxes[i] && target == boxes[i]) return target;
            if (other[i] && target == other[i]) return {};
        }
        if (target != p.page) continue;
        for (int i = 0; i < 2; ++i)
            if (boxes[i] && m_form.control<QLineEdit>(boxes[i])->text().isEmpty()) return boxes[i];
        return boxes[0] ? QString(boxes[0]) : QString();
    }
    return {};
}

bool DropTargets::drop(const QString& target, const QString& path) {
    const QFileInfo info(path);
    const bool folder = info.isDir();
    if (!folder && !info.isFile()) {
        refuse(path, "找不到这个文件");
        return false;
    }
    const QString box = boxFor(target, folder);
    if (box.isEmpty()) {
        refuse(path, folder ? "这里需要Excel文件，不是文件夹" : "这里需要文件夹，不是文件");
        return false;
    }
    if (!folder && !isWorkbookName(path)) {
        refuse(path, "不是Excel工作簿（.xls 或 .xlsx）");
        return false;
    }
    const bool taken = folder ? m_sources.dropFolder(box, path) : m_sources.dropFile(box, path);
    if (taken) m_form.findChild<FolderMemory*>()->remember(path);
    return taken;
}

void DropTargets::refuse(const QString& path, const QString& why) {
    m_form.host().appendLog(("未使用拖入的“" + path + "”：" + why).toStdString());
}

bool DropTargets::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
        auto* drag = static_cast<QDropEvent*>(event);
        if (droppedPath(drag->mimeData()).isEmpty() || m_form.busy()) return false;
        drag->acceptProposedAction();
        return true;
    }
    if (event->type() == QEvent::Drop) {
        auto* dropped = static_cast<QDropEvent*>(event);
        const QString path = droppedPath(dropped->mimeData());
        if (path.isEmpty()) return false;
        drop(watched->objectName(), path);
        dropped->acceptProposedAction();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tabrix::app
