#pragma once

#include "app/Form1.h"

#include <QDialog>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QScrollBar;

namespace tabrix::app {

/// The column-correspondence dialog of the compare page: rows pairing a column of the first worksheet with one
/// of the second, each with a check box deciding whether the pair enters the table. Built from hidden template
/// controls (element 0 of `xuhao`, `Com1`, `Che`, `Com2`); each row control keeps its unscrolled top in its
/// "Tag" property, so scrolling only ever subtracts the offset from it.
class Form3 : public QDialog {
    Q_OBJECT
public:
    /// firstCount, secondCount: the used column counts measured for the two worksheets; the table is read to
    /// rebuild the rows and replaced only by "确定".
    Form3(QWidget* parent, long firstCount, long secondCount, Form1::Correspondence& table);

    static constexpr int kPitch = 450;

    int rowCount() const { return m_rows; }

private:
    void buildFixedControls();
    void buildTemplates();
    void addRow();
    void createRow(int k);
    void fillColumns(QComboBox* box, long count);
    void updateScrollMaximum();
    void scrollRows(int position);
    void confirm();

    long m_firstCount;
    long m_secondCount;
    Form1::Correspondence& m_table;
    int m_rows = 0;
    QWidget* m_picture1 = nullptr;
    QWidget* m_picture2 = nullptr;
    QScrollBar* m_scroll = nullptr;
    QPushButton* m_ok = nullptr;
    std::vector<QLabel*> m_xuhao;
    std::vector<QComboBox*> m_com1, m_com2;
    std::vector<QCheckBox*> m_che;
};

} // namespace tabrix::app
