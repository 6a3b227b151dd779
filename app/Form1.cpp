#include "app/Form1.h"

#include "app/CommonDialog.h"
#include "app/DropTargets.h"
#include "app/FolderMemory.h"
#include "app/Fonts.h"
#include "app/FrameWidgets.h"
#include "app/NavigationMenu.h"
#include "app/PageActions.h"
#include "app/PageBuilder.h"
#include "app/QtHost.h"
#include "app/SourceSelection.h"
#include "app/Twips.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QUrl>

#include <algorithm>

// Resources of a static library are registered by name from outside any namespace.
static void registerPictures() {
    Q_INIT_RESOURCE(tabrix);
}

namespace tabrix::app {

namespace {
const QColor kPanelColour(215, 225, 241);
const QColor kSelectorColour(225, 233, 245);
const QColor kSelectorText(50, 50, 50);
const QColor kNewerOptionText(20, 20, 20);
constexpr int kPageLeft = 3720, kPageTop = 1200;
constexpr int kBannerWidth = 8040, kBannerHeight = 810;
constexpr int kLogWidth = 5295, kLogHeight = 2055, kLogBottom = kPageTop + 2810 + kLogHeight;
constexpr int kRuleY = 810;

const char* const kAboutText = "     Tabrix自带读写Excel工作簿的引擎，可直接处理Excel2003及以前版本（.xls）和"
                               "Excel2007版本（.xlsx）的文件，使用本工具不需要安装MS Office或其他电子表格软件。\n"
                               "\n"
                               "     Tabrix所产生的数据均为保存新文件，对原Excel文档没有任何影响。\n"
                               "\n"
                               "    欢迎提出意见和建议。";

const int kPages[] = {1, 2, 3, 4, 6, 7, 8, 9};

QLabel* pictureBox(QWidget* parent, const QString& name, const char* picture, int width, int height) {
    auto* box = new QLabel(parent);
    box->setObjectName(name);
    box->setPixmap(QPixmap(picture));
    setTwipsGeometry(box, 0, 0, width, height);
    box->hide();
    return box;
}
} // namespace

Form1::Form1(QWidget* parent) : QWidget(parent) {
    registerPictures();
    buildFrame();
    buildPages(this);
    load();
}

Form1::~Form1() = default;

QPlainTextEdit* Form1::logBox() const {
    return control<QPlainTextEdit>("Text_inf");
}

void Form1::buildFrame() {
    setObjectName("Form1");
    setWindowTitle("Tabrix");
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setBackground(this, Qt::white);
    m_cmd = new CommonDialog(this);

    pictureBox(this, "soutop", ":/pictures/tile.png", 900, kBannerHeight);
    pictureBox(this, "soupic", ":/pictures/panelfoot.png", 3255, 1200);
    auto* banner = new Banner(this);
    setTwipsGeometry(banner, 0, 0, kBannerWidth, kBannerHeight);
    banner->setPictures(QPixmap(":/pictures/banner.png"), kBannerWidth, kBannerHeight, QPixmap(":/pictures/tile.png"));
    auto* helpLink = new QLabel("帮 助(H)", banner);
    helpLink->setObjectName(arrayName("inf", 0));
    setTwipsGeometry(helpLink, 6960, 480, 720, 180);

    auto* rule = new QFrame(this);
    rule->setObjectName("Line1");
    setBackground(rule, QColor(0, 0, 0));
    setTwipsGeometry(rule, 0, kRuleY, 7800, 15);

    auto* panel = new NavPanel(this);
    setTwipsGeometry(panel, 0, 0, 3255, 5475);
    auto* band = new QFrame(panel);
    band->setObjectName(arrayName("Shape1", 0));
    band->setAttribute(Qt::WA_TransparentForMouseEvents);
    setTwipsGeometry(band, 0, 120, 3375, 700);
    auto* caption = new QLabel("选择Excel版本", panel);
    caption->setObjectName("Label2");
    setTwipsGeometry(caption, 210, 180, 1170, 180);
    auto* older = new QRadioButton("2003及以前版", panel);
    older->setObjectName(arrayName("excelbb", 0));
    setTwipsGeometry(older, 240, 480, 1575, 255);
    older->setChecked(true);
    auto* newer = new QRadioButton("2007版", panel);
    newer->setObjectName(arrayName("excelbb", 1));
    setTwipsGeometry(newer, 1920, 480, 975, 255);
    connect(older, &QRadioButton::toggled, this, [this] { updateWorkingExtension(); });
    connect(newer, &QRadioButton::toggled, this, [this] { updateWorkingExtension(); });

    auto* log = new QPlainTextEdit(this);
    log->setObjectName("Text_inf");
    log->setReadOnly(true);
    log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    log->setPlainText("数据处理信息\n");
    setTwipsGeometry(log, kPageLeft, kPageTop + 2410, kLogWidth, kLogHeight);
    auto* about = new QPlainTextEdit(this);
    about->setObjectName("about");

    m_menu = new NavigationMenu(*this, *panel, *banner, *helpLink);
    m_host = std::make_unique<QtHost>(this, log, *m_cmd);
    m_folders = new FolderMemory(this);
}

void Form1::load() {
    auto* panel = control<NavPanel>("left_menu");
    setTwipsTop(panel, twipsTop(control("Line1")) + 10);
    setBackground(panel, kPanelColour);
    for (const char* name : {"excelbb(0)", "excelbb(1)", "Label2", "Shape1(0)"})
        setBackground(control(name), kSelectorColour);
    setSongFont(control("excelbb(0)"), 10);
    setTextColour(control("excelbb(0)"), kSelectorText);
    setSongFont(control("Label2"), 11);
    setTextColour(control("Label2"), kSelectorText);
    // At 11 pt the caption is wider than its designed 1170 twips; it grows to its text instead of being cut.
    sizeToText(control("Label2"));
    setSongFont(control("excelbb(1)"), 10);
    setTextColour(control("excelbb(1)"), kNewerOptionText);
    m_menu->prepareTemplates();
    // The version chosen in an earlier run comes back; a first start keeps the older format selected.
    if (m_folders->newerVersionChosen()) control<QRadioButton>("excelbb(1)")->setChecked(true);
    connect(control<QRadioButton>("excelbb(1)"), &QRadioButton::toggled, m_folders,
            [this](bool newer) { m_folders->rememberVersion(newer); });
    updateWorkingExtension();
    m_menu->createEntries();
    for (int k : kPages)
        control(arrayName("fra", k))->hide();
    logBox()->hide();
    setOuterSize(kOuterWidth, kOuterHeight);
    control<QCheckBox>("Check4")->setChecked(false);
    control("Command13")->setEnabled(false);
    stylePass();
    fillAboutPanel();
    emptyCorrespondence();
    m_sources = new SourceSelection(*this);
    m_drops = new DropTargets(*this, *m_sources);
    m_actions = new PageActions(*this);
}

void Form1::updateWorkingExtension() {
    m_extension.clear();
    if (control<QRadioButton>("excelbb(0)")->isChecked()) m_extension = "xls";
    if (control<QRadioButton>("excelbb(1)")->isChecked()) m_extension = "xlsx";
}

void Form1::stylePass() {
    QStringList names;
    for (int i = 0; i <= 24; ++i)
        names << arrayName("La1", i);
    names << "Check1"
          << "Check5"
          << "Check6"
          << "Check7"
          << "Check8"
          << "Check9"
          << "Check4"
          << "Check2"
          << "Check3"
          << "Combo1";
    for (int i = 1; i <= 9; ++i)
        names << QString("Command%1").arg(i);
    names << "Command10(0)"
          << "Command10(1)"
          << "Command11"
          << "Command12"
          << "Command14"
          << "Command13"
          << "Command15(0)"
          << "Command15(1)"
          << "Command16(0)"
          << "Command16(1)"
          << "Command17";
    names << "List1"
          << "List2(0)"
          << "List2(1)"
          << "List3"
          << "List5(0)"
          << "List5(1)";
    for (const char* o : {"Option1", "Option2", "Option3"})
        names << arrayName(o, 0) << arrayName(o, 1);
    for (int i = 1; i <= 6; ++i)
        names << QString("Text%1").arg(i);
    names << "Text7(0)"
          << "Text7(1)"
          << "Text8"
          << "Text9"
          << "Text10(0)"
          << "Text10(1)"
          << "Text11(0)"
          << "Text11(1)"
          << "Text_inf";
    for (const QString& name : names)
        control(name)->setFont(songFont(9));
    setTwipsSize(control("List1"), twipsGeometry(control("List1")).width(), 600);
    for (const char* list : {"List2(0)", "List2(1)", "List3", "List5(0)", "List5(1)"})
        setTwipsSize(control(list), twipsGeometry(control(list)).width(), 780);
    // The conversion page's note keeps a font of its own.
    setSongFont(control("La1(25)"), 9, true);
}

void Form1::fillAboutPanel() {
    auto* about = control<QPlainTextEdit>("about");
    about->setFont(songFont(11));
    about->setReadOnly(true);
    setTwipsGeometry(about, 3600, 1080, 5535, 4935);
    about->setPlainText(kAboutText);
}

bool Form1::beginOperation() {
    if (m_busy) return false;
    m_busy = true;
    return true;
}

void Form1::showPage(int k, int height) {
    control("about")->hide();
    for (int j : kPages)
        if (j != 9) control(arrayName("fra", j))->hide();
    if (k != 9) control("fra(9)")->hide();
    m_menu->setBoldSubEntry(k == 9 ? 0 : k);
    m_folders->setPage(k);
    QWidget* page = control(arrayName("fra", k));
    setTwipsGeometry(page, kPageLeft, kPageTop, 5290, height);
    page->show();
    // The log box stands under the page and ends where it ends under the tallest of the original pages, so a
    // taller page leaves it shorter rather than pushing it out of the window.
    setTwipsGeometry(logBox(), kPageLeft, kPageTop + height, kLogWidth,
                     std::min(kLogHeight, kLogBottom - kPageTop - height));
    logBox()->show();
    // Keyboard users start on the page's first control.
    for (QWidget* w : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (w->focusPolicy() & Qt::TabFocus) {
            w->setFocus(Qt::OtherFocusReason);
            break;
        }
}

void Form1::setOuterSize(int width, int height) {
    const QSize frame = frameGeometry().size() - geometry().size();
    const QSize outer(toPixels(width), toPixels(height));
    setFixedSize(outer - frame);
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->geometry();
    move(area.x() + (area.width() - outer.width()) / 2, area.y() + (area.height() - outer.height()) / 2);
}

void Form1::applyWindowSize(int outerWidth, int outerHeight, bool minimised) {
    if (outerHeight <= 1500 || minimised) return;
    auto* panel = control<NavPanel>("left_menu");
    const QRect panelBox = twipsGeometry(panel);
    setTwipsSize(panel, panelBox.width(), outerHeight - 1400);
    const QRect foot = twipsGeometry(control("soupic"));
    panel->paintFoot(control<QLabel>("soupic")->pixmap(), outerHeight - 1400 - foot.height(), foot.width(),
                     foot.height());
    QWidget* rule = control("Line1");
    setTwipsSize(rule, outerWidth - twipsGeometry(rule).left(), twipsHeight(rule));
    if (outerWidth <= 8055) return;
    auto* banner = control<Banner>("toppic");
    banner->clearTiles();
    setTwipsSize(banner, outerWidth, twipsHeight(banner));
    const QRect tile = twipsGeometry(control("soutop"));
    for (int n = 0; n * tile.width() + kBannerWidth < outerWidth; ++n)
        banner->addTile(n * tile.width() + kBannerWidth, tile.width(), tile.height());
    QWidget* link = control("inf(0)");
    setTwipsLeft(link, outerWidth - twipsGeometry(link).width() - 500);
}

void Form1::layoutForCurrentSize() {
    const QRect outer = frameGeometry();
    applyWindowSize(toTwips(outer.width()), toTwips(outer.height()), isMinimized());
}

void Form1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutForCurrentSize();
}

void Form1::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) layoutForCurrentSize();
}

// A window manager's frame becomes known only after the window is shown, sometimes only when the window manager
// has moved it into its frame; the outer size and the centring then count the frame once.
void Form1::fitFrame() {
    if (m_frameFitted || !isVisible() || frameGeometry().size() == geometry().size()) return;
    m_frameFitted = true;
    setOuterSize(kOuterWidth, kOuterHeight);
}

void Form1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    fitFrame();
}

void Form1::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    fitFrame();
}

// Next to the program, as in the build tree; an installed program keeps it under share/ beside bin/.
QString helpFilePath(const QString& programFolder) {
    const QString folder = programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : programFolder;
    const QString beside = folder + "/help/Tabrix.chm";
    const QString installed = QDir::cleanPath(folder + "/../share/tabrix/help/Tabrix.chm");
    return !QFileInfo::exists(beside) && QFileInfo::exists(installed) ? installed : beside;
}

void Form1::openPath(const QString& path) {
    const int page = QFileInfo(path).isDir() ? 2 : 1;
    m_menu->entryReleased(1);
    m_menu->subEntryClicked(page);
    m_drops->drop(arrayName("fra", page), path);
}

void Form1::openHelp() {
    QDesktopServices::openUrl(QUrl::fromLocalFile(helpFilePath()));
}

} // namespace tabrix::app
