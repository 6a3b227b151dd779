#include "app/PageActions.h"

#include "analysis/ClearData.h"
#include "analysis/CompareSheets.h"
#include "analysis/FindData.h"
#include "app/Form1.h"
#include "app/Form3.h"
#include "app/QtHost.h"
#include "convert/ConvertFolder.h"
#include "merge/MergeFolder.h"
#include "merge/MergeSheets.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace tabrix::app {

namespace {
const char* const kStartRowControls[] = {"Text4", "Check2", "Check6", "La1(0)", "La1(2)"};

std::string s(const QString& text) {
    return text.toStdString();
}

// The text of a list's selected entry, as the list's Text property gives it ("" when none is selected).
std::string selected(Form1& form, const char* list) {
    const QListWidgetItem* item = form.control<QListWidget>(list)->currentItem();
    return item ? s(item->text()) : std::string();
}
} // namespace

PageActions::PageActions(Form1& form) : QObject(&form), m_form(form) {
    connect(form.control<QPushButton>("Command3"), &QPushButton::clicked, this, [this] { mergeSheets(); });
    connect(form.control<QPushButton>("Command4"), &QPushButton::clicked, this, [this] { mergeFolder(); });
    connect(form.control<QPushButton>("Command6"), &QPushButton::clicked, this, [this] { splitSheets(); });
    connect(form.control<QPushButton>("Command8"), &QPushButton::clicked, this, [this] { splitColumn(); });
    connect(form.control<QPushButton>("Command11"), &QPushButton::clicked, this, [this] { compareSheets(); });
    connect(form.control<QPushButton>("Command13"), &QPushButton::clicked, this, [this] { setCorrespondence(); });
    connect(form.control<QPushButton>("Command12"), &QPushButton::clicked, this, [this] { findData(); });
    connect(form.control<QPushButton>("Command14"), &QPushButton::clicked, this, [this] { clearData(); });
    connect(form.control<QPushButton>("Command17"), &QPushButton::clicked, this, [this] { convertFolder(); });
    connect(form.control<QCheckBox>("Check4"), &QCheckBox::toggled, this,
            [this](bool on) { m_form.control("Command13")->setEnabled(on); });
    connect(form.control<QRadioButton>("Option1(0)"), &QRadioButton::toggled, this, [this](bool oneSheet) {
        for (const char* name : kStartRowControls)
            m_form.control(name)->setVisible(oneSheet);
    });
}

void PageActions::runOperation(const std::function<void()>& action) {
    OperationScope scope(m_form);
    if (!scope) return;
    try {
        action();
    } catch (const std::exception& error) {
        showMessage(&m_form, QString::fromStdString(error.what()), "操作失败");
    }
}

void PageActions::mergeSheets() {
    runOperation([this] {
        auto* startRow = m_form.control<QLineEdit>("Text2");
        merge::MergeSheetsPage page{s(m_form.control<QLineEdit>("Text1")->text()), s(startRow->text()),
                                    m_form.control<QCheckBox>("Check1")->isChecked(), s(m_form.workingExtension()),
                                    m_form.control<QCheckBox>("Check5")->isChecked()};
        merge::mergeSheetsAction(m_form.host(), page);
        if (QString::fromStdString(page.startRowText) != startRow->text())
            startRow->setText(QString::fromStdString(page.startRowText));
    });
}

void PageActions::mergeFolder() {
    runOperation([this] {
        auto* startRow = m_form.control<QLineEdit>("Text4");
        merge::MergeFolderPage page{s(m_form.control<QLineEdit>("Text3")->text()),
                                    m_form.control<QRadioButton>("Option1(1)")->isChecked(), s(startRow->text()),
                                    m_form.control<QCheckBox>("Check2")->isChecked(), s(m_form.workingExtension()),
                                    m_form.control<QCheckBox>("Check6")->isChecked()};
        merge::mergeFolderAction(m_form.host(), page);
        if (QString::fromStdString(page.startRowText) != startRow->text())
            startRow->setText(QString::fromStdString(page.startRowText));
    });
}

analysis::ComparePage PageActions::comparePage() {
    analysis::ComparePage page{s(m_form.control<QLineEdit>("Text7(0)")->text()), selected(m_form, "List2(0)"),
                               s(m_form.control<QLineEdit>("Text7(1)")->text()), selected(m_form, "List2(1)"),
                               m_form.control<QCheckBox>("Check4")->isChecked(), {}, s(m_form.workingExtension()),
                               m_form.control<QCheckBox>("Check7")->isChecked(),
                               m_form.control<QCheckBox>("Check8")->isChecked()};
    const Form1::Correspondence& table = m_form.correspondence();
    for (size_t a = 0; a < std::min(table.firstColumns.size(), table.secondColumns.size()); ++a)
        page.pairs.push_back({table.firstColumns[a], table.secondColumns[a]});
    return page;
}

void PageActions::compareSheets() {
    runOperation([this] { analysis::compareSheetsAction(m_form.host(), comparePage()); });
}

void PageActions::setCorrespondence() {
    std::optional<analysis::MeasuredColumns> measured;
    runOperation([this, &measured] { measured = analysis::measureForCorrespondence(m_form.host(), comparePage()); });
    if (!measured) return;
    Form3 dialog(&m_form, measured->first, measured->second, m_form.correspondence());
    dialog.exec();
}

void PageActions::findData() {
    runOperation([this] {
        analysis::FindDataPage page{s(m_form.control<QLineEdit>("Text8")->text()), selected(m_form, "List3"),
                                    s(m_form.control<QLineEdit>("Text9")->text()), s(m_form.workingExtension())};
        analysis::findDataAction(m_form.host(), page);
    });
}

void PageActions::clearData() {
    runOperation([this] {
        analysis::ClearDataPage page{s(m_form.control<QLineEdit>("Text10(0)")->text()), selected(m_form, "List5(0)"),
                                     s(m_form.control<QLineEdit>("Text10(1)")->text()), selected(m_form, "List5(1)"),
                                     s(m_form.workingExtension()), m_form.control<QCheckBox>("Check9")->isChecked()};
        analysis::clearDataAction(m_form.host(), page);
    });
}

void PageActions::convertFolder() {
    runOperation([this] {
        convert::ConvertPage page{s(m_form.control<QLineEdit>("Text11(0)")->text()),
                                  s(m_form.control<QLineEdit>("Text11(1)")->text()),
                                  m_form.control<QRadioButton>("Option3(0)")->isChecked()};
        convert::convertFolderAction(m_form.host(), page);
    });
}

} // namespace tabrix::app
