#include "app/Form3.h"

#include "app/Fonts.h"
#include "app/PageBuilder.h"
#include "app/Twips.h"
#include "framework/ColumnLetters.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <algorithm>

namespace tabrix::app {

namespace {
constexpr double kFontSize = 9;
constexpr int kLabelLeft = 90;
constexpr int kLabelTemplateLeft = 240;
constexpr int kLabelTemplateTop = 20;
constexpr int kLabelBelowBox = 50;
constexpr const char* kTag = "Tag";

int nominalTop(const QWidget* w) {
    return w->property(kTag).toString().toInt();
}
void setNominalTop(QWidget* w, int top) {
    w->setProperty(kTag, QString::number(top));
}

QString entry(const std::string& letters) {
    return "第 " + QString::fromStdString(letters) + " 列";
}

// The letters an entry stands for: its text without the first two and the last two characters.
std::string lettersOf(const QComboBox* box) {
    const QString text = box->currentText();
    return text.size() > 4 ? text.mid(2, text.size() - 4).toStdString() : std::string();
}

// Shows the entry of the given letters; a column beyond the listed ones (the table kept from wider
// worksheets) is added so the stored pair shows as it is.
void showLetters(QComboBox* box, const std::string& letters) {
    int index = box->findText(entry(letters));
    if (index < 0) {
        box->addItem(entry(letters));
        index = box->count() - 1;
    }
    box->setCurrentIndex(index);
}
} // namespace

Form3::Form3(QWidget* parent, long firstCount, long secondCount, Form1::Correspondence& table)
    : QDialog(parent), m_firstCount(std::max(1L, firstCount)), m_secondCount(std::max(1L, secondCount)),
      m_table(table) {
    setObjectName("Form3");
    setWindowTitle("设定列对应关系");
    setModal(true);
    setFixedSize(toPixels(4185), toPixels(4620));
    buildFixedControls();
    buildTemplates();
    m_ok->setEnabled(false);
    const size_t n = std::min(m_table.firstColumns.size(), m_table.secondColumns.size());
    for (size_t k = 1; k <= n; ++k) {
        createRow(int(k));
        showLetters(m_com1[k], m_table.firstColumns[k - 1]);
        showLetters(m_com2[k], m_table.secondColumns[k - 1]);
    }
    if (n >= 1) {
        m_rows = int(n);
        updateScrollMaximum();
        m_ok->setEnabled(true);
    }
}

void Form3::buildFixedControls() {
    m_picture1 = new QWidget(this);
    m_picture1->setObjectName("Picture1");
    setTwipsGeometry(m_picture1, 120, 120, 3975, 3975);
    m_picture2 = new QWidget(m_picture1);
    m_picture2->setObjectName("Picture2");
    m_picture2->setAutoFillBackground(true);
    setTwipsGeometry(m_picture2, 0, 0, 3615, 375);
    PageBuilder strip(m_picture2);
    setSongFont(strip.label("Label1", "工作表1中列", 200, 60, 990, 180), kFontSize);
    auto* add = strip.button("Command1", "添加对应", 1320, 0, 1095, 320);
    setSongFont(add, kFontSize);
    setSongFont(strip.label("Label2", "工作表2中列", 2540, 60, 990, 180), kFontSize);
    m_scroll = new QScrollBar(Qt::Vertical, this);
    m_scroll->setObjectName("VScroll1");
    setTwipsGeometry(m_scroll, 3820, 140, 270, 3950);
    m_scroll->setRange(0, 0);
    PageBuilder dialog(this);
    m_ok = dialog.button("Command2", "确定", 840, 4200, 975, 320);
    auto* cancel = dialog.button("Command3", "取消", 2280, 4200, 975, 320);
    setSongFont(m_ok, kFontSize);
    setSongFont(cancel, kFontSize);
    connect(add, &QPushButton::clicked, this, [this] { addRow(); });
    connect(m_ok, &QPushButton::clicked, this, [this] { confirm(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    // Both a change of the position and dragging the thumb move the rows.
    connect(m_scroll, &QScrollBar::valueChanged, this, [this](int position) { scrollRows(position); });
    connect(m_scroll, &QScrollBar::sliderMoved, this, [this](int position) { scrollRows(position); });
}

void Form3::buildTemplates() {
    PageBuilder b(m_picture1);
    m_xuhao.push_back(b.label(arrayName("xuhao", 0), "0", kLabelTemplateLeft, kLabelTemplateTop, 90, 180));
    m_com1.push_back(b.combo(arrayName("Com1", 0), 240, 0, 975, 300));
    m_che.push_back(b.checkBox(arrayName("Che", 0), "确定对应", 1440, 0, 1095, 255));
    m_com2.push_back(b.combo(arrayName("Com2", 0), 2640, 0, 975, 300));
    const QWidget* templates[] = {m_xuhao[0], m_com1[0], m_che[0], m_com2[0]};
    for (const QWidget* t : templates) {
        auto* w = const_cast<QWidget*>(t);
        setNominalTop(w, twipsTop(w));
        setSongFont(w, kFontSize);
        w->hide();
    }
    // Every row is created from the templates, so every row starts ticked.
    m_che[0]->setChecked(true);
}

void Form3::addRow() {
    const int k = ++m_rows;
    createRow(k);
    m_com1[k]->setCurrentIndex(int((k - 1) % m_firstCount));
    m_com2[k]->setCurrentIndex(int((k - 1) % m_secondCount));
    updateScrollMaximum();
    m_ok->setEnabled(true);
}

// Row k's controls from the templates, placed one pitch below row k - 1 as it currently stands.
void Form3::createRow(int k) {
    PageBuilder b(m_picture1);
    auto place = [](QWidget* w, const QWidget* above, int left, int width, int height) {
        setTwipsGeometry(w, left, twipsTop(above) + kPitch, width, height);
        setNominalTop(w, nominalTop(above) + kPitch);
        setSongFont(w, kFontSize);
    };
    auto* com1 = b.combo(arrayName("Com1", k), 0, 0, 0, 0);
    place(com1, m_com1[k - 1], 240, 975, 300);
    auto* che = b.checkBox(arrayName("Che", k), m_che[0]->text(), 0, 0, 0, 0);
    place(che, m_che[k - 1], 1440, 1095, 255);
    che->setChecked(m_che[0]->isChecked());
    auto* com2 = b.combo(arrayName("Com2", k), 0, 0, 0, 0);
    place(com2, m_com2[k - 1], 2640, 975, 300);
    auto* label = b.label(arrayName("xuhao", k), QString::number(k), 0, 0, 0, 0);
    setTwipsGeometry(label, kLabelLeft, twipsTop(com1) + kLabelBelowBox, 90, 180);
    setNominalTop(label, nominalTop(m_xuhao[k - 1]) + kPitch);
    setSongFont(label, kFontSize);
    fillColumns(com1, m_firstCount);
    fillColumns(com2, m_secondCount);
    m_xuhao.push_back(label);
    m_com1.push_back(com1);
    m_che.push_back(che);
    m_com2.push_back(com2);
    for (QWidget* w : {static_cast<QWidget*>(label), static_cast<QWidget*>(com1), static_cast<QWidget*>(che),
                       static_cast<QWidget*>(com2)})
        w->show();
    // The header strip stays over rows scrolled up beneath it.
    m_picture2->raise();
}

void Form3::fillColumns(QComboBox* box, long count) {
    QStringList entries;
    for (long c = 1; c <= count; ++c)
        entries << entry(framework::columnLetter(c));
    box->addItems(entries);
}

void Form3::updateScrollMaximum() {
    const int t = nominalTop(m_xuhao[size_t(m_rows)]);
    const int h1 = twipsHeight(m_picture1), h2 = twipsHeight(m_picture2), h = twipsHeight(m_com1[0]);
    // Integer division truncates toward zero, also for a negative numerator just past the viewport.
    m_scroll->setMaximum(t - h1 <= 0 ? 0 : (t - h1 - h2) / h + 6);
}

void Form3::scrollRows(int position) {
    const int offset = position * kPitch;
    for (int k = 1; k <= m_rows; ++k)
        for (QWidget* w : {static_cast<QWidget*>(m_xuhao[size_t(k)]), static_cast<QWidget*>(m_com1[size_t(k)]),
                           static_cast<QWidget*>(m_che[size_t(k)]), static_cast<QWidget*>(m_com2[size_t(k)])})
            setTwipsTop(w, nominalTop(w) - offset);
}

void Form3::confirm() {
    m_table.firstColumns.clear();
    m_table.secondColumns.clear();
    for (int k = 1; k <= m_rows; ++k) {
        if (!m_che[size_t(k)]->isChecked()) continue;
        m_table.firstColumns.push_back(lettersOf(m_com1[size_t(k)]));
        m_table.secondColumns.push_back(lettersOf(m_com2[size_t(k)]));
    }
    accept();
}

} // namespace tabrix::app
