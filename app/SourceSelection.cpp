#include "app/SourceSelection.h"

#include "app/CommonDialog.h"
#include "app/Form1.h"
#include "app/QtHost.h"
#include "framework/ColumnLetters.h"
#include "framework/SheetListing.h"
#include "framework/SourceCheck.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace tabrix::app {

namespace {
using Listing = SourceSelection::Listing;
const char* const kSourceLabel = "原Excel文件(*.";
const QString kSourceTitle = "选择原Excel文件";

const SourceSelection::OpenButton kOpenButtons[] = {
    {"Command1", "Text1", kSourceTitle, kSourceLabel, Listing::None, nullptr},
    {"Command5", "Text5", kSourceTitle, kSourceLabel, Listing::None, nullptr},
    {"Command7", "Text6", std::nullopt, kSourceLabel, Listing::NothingSelected, "List1"},
    {"Command9", "Text8", std::nullopt, kSourceLabel, Listing::FirstSelected, "List3"},
    {"Command10(0)", "Text7(0)", std::nullopt, kSourceLabel, Listing::FirstSelected, "List2(0)"},
    {"Command10(1)", "Text7(1)", std::nullopt, kSourceLabel, Listing::FirstSelected, "List2(1)"},
    {"Command15(0)", "Text10(0)", std::nullopt, "原Excel数据文件(*.", Listing::FirstSelected, "List5(0)"},
    {"Command15(1)", "Text10(1)", std::nullopt, "想要删除的数据(*.", Listing::FirstSelected, "List5(1)"},
};

std::string s(const QString& text) {
    return text.toStdString();
}
} // namespace

SourceSelection::SourceSelection(Form1& form) : QObject(&form), m_form(form) {
    for (const OpenButton& b : kOpenButtons)
        connect(form.control<QPushButton>(b.button), &QPushButton::clicked, this, [this, &b] { pickFile(b); });
    connect(form.control<QPushButton>("Command2"), &QPushButton::clicked, this, [this] { pickFolder("Text3", true); });
    for (int i = 0; i < 2; ++i)
        connect(form.control<QPushButton>(QString("Command16(%1)").arg(i)), &QPushButton::clicked, this,
                [this, i] { pickFolder(QString("Text11(%1)").arg(i), false); });
    connect(form.control<QListWidget>("List1"), &QListWidget::currentRowChanged, this, [this] { listColumns(); });
    // A worksheet chosen while another operation held the window is listed as soon as the window is free.
    connect(
        &form, &Form1::operationEnded, this,
        [this] {
            if (m_columnsPending) listColumns();
        },
        Qt::QueuedConnection);
}

void SourceSelection::pickFile(const OpenButton& b) {
    OperationScope scope(m_form);
    if (!scope) return;
    CommonDialog& cmd = m_form.cmd();
    cmd.setCancelError(true);
    if (b.title) cmd.setDialogTitle(*b.title);
    cmd.setFilter(QString::fromStdString(framework::workbookFilter(b.filterLabel, s(m_form.workingExtension()))));
    try {
        cmd.setFileName({});
        cmd.showOpen();
    } catch (const DialogCancelled&) {
        return;
    }
    acceptFile(b, cmd.fileName());
}

// What a button does with the path its dialog returned; a file dropped on the box goes the same way.
void SourceSelection::acceptFile(const OpenButton& b, const QString& path) {
    auto* box = m_form.control<QLineEdit>(b.box);
    if (b.listing != Listing::None && !QFileInfo(path).isFile()) return;
    box->setText(path);
    box->setReadOnly(true);
    if (b.listing != Listing::None) listWorksheets(b, path);
}

bool SourceSelection::dropFile(const QString& boxName, const QString& path) {
    for (const OpenButton& b : kOpenButtons)
        if (boxName == b.box) {
            OperationScope scope(m_form);
            if (!scope) return false;
            acceptFile(b, path);
            return true;
        }
    return false;
}

bool SourceSelection::dropFolder(const QString& boxName, const QString& folder) {
    if (boxName != "Text3" && !boxName.startsWith("Text11(")) return false;
    OperationScope scope(m_form);
    if (!scope) return false;
    acceptFolder(boxName, boxName == "Text3", folder);
    return true;
}

void SourceSelection::listWorksheets(const OpenButton& b, const QString& path) {
    auto* list = m_form.control<QListWidget>(b.list);
    try {
        const auto names = framework::worksheetNames(s(path), &m_form.host());
        list->clear();
        if (b.listing == Listing::NothingSelected) m_form.control<QComboBox>("Combo1")->clear();
        for (const auto& name : names)
            list->addItem(QString::fromStdString(name));
        if (b.listing == Listing::FirstSelected && list->count() > 0) list->setCurrentRow(0);
        if (b.listing == Listing::NothingSelected) m_form.setSheetListReady(true);
    } catch (const std::exception& error) {
        logFailure("未能列出“" + path + "”的工作表", error);
    }
    // A workbook chosen again invalidates any column correspondence set for the one before, listed or not.
    if (QString(b.button).startsWith("Command10")) m_form.emptyCorrespondence();
}

void SourceSelection::pickFolder(const QString& boxName, bool lock) {
    OperationScope scope(m_form);
    if (!scope) return;
    const QString folder = browseForFolder(&m_form);
    if (folder.isEmpty()) return;
    acceptFolder(boxName, lock, folder);
}

void SourceSelection::acceptFolder(const QString& boxName, bool lock, const QString& folder) {
    auto* box = m_form.control<QLineEdit>(boxName);
    box->setText(folder);
    if (lock) box->setReadOnly(true);
}

void SourceSelection::listColumns() {
    auto* list = m_form.control<QListWidget>("List1");
    auto* combo = m_form.control<QComboBox>("Combo1");
    const auto sheet = [list] { return list->currentItem() ? list->currentItem()->text() : QString(); };
    if (sheet().isEmpty() || !m_form.sheetListReady()) return;
    OperationScope scope(m_form);
    m_columnsPending = !scope;
    if (!scope) return;
    QString listed;
    // A worksheet clicked while the columns were being listed is listed next, so Combo1 and the last column
    // letter always belong to the worksheet shown as chosen.
    while (!sheet().isEmpty() && listed != sheet()) {
        listed = sheet();
        m_form.setSheetListReady(false);
        m_form.host().pumpEvents();
        try {
            const long n = framework::usedColumnCount(s(m_form.control<QLineEdit>("Text6")->text()), s(listed), &m_form.host());
            combo->clear();
            for (long c = 1; c <= n; ++c) {
                combo->addItem(QString::fromStdString(framework::columnLetter(c)));
                m_form.host().pumpEvents();
            }
            m_form.setLastColumnLetter(QString::fromStdString(framework::columnLetter(n)));
            if (combo->count() > 0) combo->setCurrentIndex(0);
        } catch (const std::exception& error) {
            logFailure("未能列出工作表“" + listed + "”的列", error);
        }
        m_form.setSheetListReady(true);
    }
}

void SourceSelection::logFailure(const QString& what, const std::exception& error) {
    m_form.host().appendLog(s(what + "：" + QString::fromStdString(error.what())));
}

} // namespace tabrix::app
