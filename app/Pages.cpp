#include "app/Form1.h"
#include "app/PageBuilder.h"
#include "app/Twips.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace tabrix::app {

namespace {
constexpr int kPageLeft = 3720, kPageTop = 1200, kPageWidth = 5290;
// Path rows follow the conversion page's own measures: the box at 360 wide 3255, its button at 3840 wide 735.
constexpr int kBoxLeft = 360, kBoxWidth = 3255, kBrowseLeft = 3840, kBrowseWidth = 735, kRowHeight = 300;

QWidget* page(QWidget* form, int k, int title, const QString& titleText = {}) {
    auto* frame = new QFrame(form);
    frame->setObjectName(arrayName("fra", k));
    setTwipsGeometry(frame, kPageLeft, kPageTop, kPageWidth, pageHeight(k));
    auto* caption = new QLabel(titleText, frame);
    caption->setObjectName(arrayName("menu2_m", title));
    setTwipsGeometry(caption, 0, 0, 0, 0);
    return frame;
}

// A caption above a path box with its browse button.
void pathRow(PageBuilder& b, const QString& label, const QString& caption, const QString& box, const QString& button,
             int top) {
    b.label(label, caption, kBoxLeft, top, 3600, 180);
    b.textBox(box, kBoxLeft, top + 210, kBoxWidth, kRowHeight);
    b.button(button, "浏览", kBrowseLeft, top + 210, kBrowseWidth, kRowHeight);
}

void startRow(PageBuilder& b, const QString& before, const QString& box, const QString& after, int top) {
    b.label(before, "从第", kBoxLeft, top + 60, 420, 180);
    acceptDigitsOnly(b.textBox(box, 780, top, 495, kRowHeight, "2"));
    b.label(after, "行开始处理数据", 1335, top + 60, 1560, 180);
}

void mergeSheetsPage(QWidget* form) {
    PageBuilder b(page(form, 1, 1));
    pathRow(b, arrayName("La1", 3), "原Excel文件：", "Text1", "Command1", 360);
    startRow(b, arrayName("La1", 4), "Text2", arrayName("La1", 5), 1050);
    b.checkBox("Check1", "以工作表名称 自动添加1列", kBoxLeft, 1500, 3600, 255);
    b.checkBox("Check5", "按标题名称对齐列", kBoxLeft, 1770, 3000, 255);
    b.button("Command3", "合并保存", 3480, 1920, 1095, 320);
}

void mergeFolderPage(QWidget* form) {
    PageBuilder b(page(form, 2, 2));
    pathRow(b, arrayName("La1", 1), "原Excel文件所在的文件夹：", "Text3", "Command2", 360);
    b.option(arrayName("Option1", 0), "合并到一个工作表中", kBoxLeft, 1020, 2100, 255)->setChecked(true);
    b.option(arrayName("Option1", 1), "合并为多个工作表", 2520, 1020, 2000, 255);
    startRow(b, arrayName("La1", 2), "Text4", arrayName("La1", 0), 1350);
    b.checkBox("Check2", "以原Excel文件名，工作表名称 自动添加2列", kBoxLeft, 1710, 4500, 255);
    b.checkBox("Check6", "按标题名称对齐列", kBoxLeft, 1980, 3000, 255);
    b.button("Command4", "合并保存", 3480, 2040, 1095, 320);
}

void splitSheetsPage(QWidget* form) {
    PageBuilder b(page(form, 3, 3));
    pathRow(b, arrayName("La1", 6), "原Excel文件：", "Text5", "Command5", 360);
    b.label(arrayName("La1", 7), "说明：保存后的Excel文件名为原Excel的工作表名", kBoxLeft, 1080, 4500, 180);
    b.button("Command6", "保存拆分", 3480, 1560, 1095, 320);
}

void splitColumnPage(QWidget* form) {
    PageBuilder b(page(form, 4, 4));
    pathRow(b, arrayName("La1", 8), "原Excel文件：", "Text6", "Command7", 330);
    b.label(arrayName("La1", 9), "请选择工作表：", kBoxLeft, 960, 1800, 180);
    b.list("List1", kBoxLeft, 1170, 1900, 600);
    b.option(arrayName("Option2", 0), "拆分成多个工作簿（文件）", 2400, 1170, 2700, 255)->setChecked(true);
    b.option(arrayName("Option2", 1), "拆分成多个工作表", 2400, 1470, 2700, 255);
    b.label(arrayName("La1", 10), "拆分条件：以", kBoxLeft, 1950, 1080, 180);
    b.combo("Combo1", 1440, 1890, 900, kRowHeight);
    b.label(arrayName("La1", 11), "列的内容作为分类条件", 2400, 1950, 2400, 180);
    b.checkBox("Check3", "拆分后新工作表中不包含拆分条件的列", kBoxLeft, 2310, 3420, 255);
    b.button("Command8", "保存拆分", 3900, 2280, 1095, 320);
}

void comparePage(QWidget* form) {
    PageBuilder b(page(form, 6, 5));
    pathRow(b, arrayName("La1", 12), "第一个Excel文件：", arrayName("Text7", 0), arrayName("Command10", 0), 300);
    pathRow(b, arrayName("La1", 13), "第二个Excel文件：", arrayName("Text7", 1), arrayName("Command10", 1), 860);
    b.label(arrayName("La1", 14), "选择工作表：", kBoxLeft, 1420, 2160, 180);
    b.list(arrayName("List2", 0), kBoxLeft, 1620, 2160, 780);
    b.label(arrayName("La1", 15), "选择工作表：", 2700, 1420, 2160, 180);
    b.list(arrayName("List2", 1), 2700, 1620, 2160, 780);
    b.checkBox("Check4", "增强比较", kBoxLeft, 2480, 1140, 255);
    b.checkBox("Check7", "标出变化的单元格", kBoxLeft, 2820, 2040, 255);
    b.checkBox("Check8", "忽略首尾空格和全角半角", 2520, 2820, 2520, 255);
    b.button("Command13", "设定列的对应关系", 1560, 2460, 1800, kRowHeight);
    b.button("Command11", "比较并保存", 3480, 2460, 1380, kRowHeight);
}

void findPage(QWidget* form) {
    PageBuilder b(page(form, 7, 6, "查找数据"));
    pathRow(b, arrayName("La1", 16), "原Excel文件：", "Text8", "Command9", 330);
    b.label(arrayName("La1", 17), "请选择工作表：", kBoxLeft, 960, 2160, 180);
    b.list("List3", kBoxLeft, 1170, 2160, 780);
    b.label(arrayName("La1", 18), "查找的内容：", 2760, 960, 1815, 180);
    b.textBox("Text9", 2760, 1170, 1815, kRowHeight);
    b.button("Command12", "保存查找结果", 3240, 1620, 1335, 320);
}

void clearPage(QWidget* form) {
    PageBuilder b(page(form, 8, 7, "清除无用的数据"));
    pathRow(b, arrayName("La1", 19), "原Excel数据文件：", arrayName("Text10", 0), arrayName("Command15", 0), 300);
    pathRow(b, arrayName("La1", 21), "想要清除的数据：", arrayName("Text10", 1), arrayName("Command15", 1), 860);
    b.label(arrayName("La1", 20), "选择工作表：", kBoxLeft, 1420, 2160, 180);
    b.list(arrayName("List5", 0), kBoxLeft, 1620, 2160, 780);
    b.label(arrayName("La1", 22), "选择工作表：", 2700, 1420, 2160, 180);
    b.list(arrayName("List5", 1), 2700, 1620, 2160, 780);
    b.checkBox("Check9", "忽略首尾空格和全角半角", kBoxLeft, 2480, 3300, 255);
    b.button("Command14", "保存结果", 3765, 2460, 1095, 320);
}

void convertPage(QWidget* form) {
    PageBuilder b(page(form, 9, 8, "批处理Excel2003与2007版本之间的转换"));
    b.label(arrayName("La1", 25), "说明：本项功能只能在已安装Excel2007下有效！", 240, 360, 3870, 180);
    b.label(arrayName("La1", 24), "转换前Excel所在文件夹：", 360, 720, 2070, 180);
    b.textBox(arrayName("Text11", 0), 360, 960, 3255, 300);
    b.button(arrayName("Command16", 0), "浏览", 3840, 960, 735, 300);
    b.label(arrayName("La1", 23), "转换后要保存的文件夹：", 360, 1440, 2175, 255);
    b.textBox(arrayName("Text11", 1), 360, 1680, 3255, 300);
    b.button(arrayName("Command16", 1), "浏览", 3840, 1680, 735, 300);
    b.option(arrayName("Option3", 0), "2003转2007", 360, 2280, 1335, 375)->setChecked(true);
    b.option(arrayName("Option3", 1), "2007转用2003", 1920, 2280, 1455, 375);
    b.button("Command17", "确定转化", 3480, 2280, 1095, 320);
}
} // namespace

int pageHeight(int page) {
    switch (page) {
    case 4:
    case 8:
        return 2800;
    // The compare page has a row of options more than its neighbours.
    case 6:
        return 3130;
    case 9:
        return 2810;
    default:
        return 2410;
    }
}

void buildPages(QWidget* form) {
    mergeSheetsPage(form);
    mergeFolderPage(form);
    splitSheetsPage(form);
    splitColumnPage(form);
    comparePage(form);
    findPage(form);
    clearPage(form);
    convertPage(form);
}

} // namespace tabrix::app
