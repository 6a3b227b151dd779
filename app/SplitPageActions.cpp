#include "app/Form1.h"
#include "app/PageActions.h"
#include "app/QtHost.h"
#include "split/SplitColumn.h"
#include "split/SplitSheets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>

namespace tabrix::app {

void PageActions::splitSheets() {
    runOperation([this] {
        split::SplitSheetsPage page{m_form.control<QLineEdit>("Text5")->text().toStdString(),
                                    m_form.workingExtension().toStdString()};
        split::splitSheetsAction(m_form.host(), page);
    });
}

void PageActions::splitColumn() {
    runOperation([this] {
        const QListWidgetItem* sheet = m_form.control<QListWidget>("List1")->currentItem();
        auto* combo = m_form.control<QComboBox>("Combo1");
        split::SplitColumnPage page;
        page.sourcePath = m_form.control<QLineEdit>("Text6")->text().toStdString();
        page.sheet = sheet ? sheet->text().toStdString() : std::string();
        page.column = combo->currentText().toStdString();
        page.columnChosen = combo->currentIndex() != -1;
        page.lastColumn = m_form.lastColumnLetter().toStdString();
        page.dropColumn = m_form.control<QCheckBox>("Check3")->isChecked();
        page.mode = m_form.control<QRadioButton>("Option2(0)")->isChecked()   ? 0
                    : m_form.control<QRadioButton>("Option2(1)")->isChecked() ? 1
                                                                              : -1;
        page.extension = m_form.workingExtension().toStdString();
        split::splitColumnAction(m_form.host(), page);
    });
}

} // namespace tabrix::app
