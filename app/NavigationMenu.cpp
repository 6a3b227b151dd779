#include "app/NavigationMenu.h"

#include "app/Fonts.h"
#include "app/Form1.h"
#include "app/FrameWidgets.h"
#include "app/PageBuilder.h"
#include "app/Twips.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>

#include <vector>

namespace tabrix::app {

namespace {
const QColor kEntryColour(50, 50, 50);
const QColor kHoverColour(51, 119, 204);
const QColor kSubEntryColour(51, 119, 204);
const QColor kTitleColour(51, 119, 250);
const QColor kWhite(255, 255, 255);

constexpr int kEntryLeft = 940;
constexpr int kTemplateTop = 350;
constexpr int kIconLeft = 240;
constexpr int kInitialSpacing = 800;
constexpr int kCollapsedSpacing = 600;
constexpr int kIconAbove = 150;

const char* const kEntryTexts[] = {"", "合并数据", "拆分数据", "分析数据", "Excel版本转换", "帮助与支持"};
const char* const kSubEntryTexts[] = {"",
                                      "将多个工作表合\n并为一个工作表",
                                      "将多个工作簿（文件）合\n并为一个工作簿（文件）",
                                      "将多个工作表拆分\n多个工作簿（文件）",
                                      "将一个工作表拆分\n多个工作簿（文件）\n或多个工作表",
                                      "将一个工作表拆\n分多个工作表",
                                      "比较数据",
                                      "查找数据",
                                      "清除无用的数据"};
const char* const kPageTitles[] = {"",
                                   "将多个工作表合并为一个工作表",
                                   "将多个工作簿（文件）合并为一个工作簿（文件）",
                                   "将多个工作表拆分多个工作簿（文件）",
                                   "拆分多个工作簿（文件）或多个工作表",
                                   "比较数据"};

struct Icon {
    const char* picture;
    int width, height;
};
const Icon kIcons[] = {{"", 0, 0},
                       {":/pictures/menu_merge.png", 480, 480},
                       {":/pictures/menu_split.png", 450, 480},
                       {":/pictures/menu_analyse.png", 570, 570},
                       {":/pictures/menu_convert.png", 420, 465},
                       {":/pictures/menu_help.png", 435, 495}};

QLabel* menuLabel(QWidget* parent, const QString& name, double points, const QColor& colour) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setMouseTracking(true);
    setSongFont(label, points);
    setTextColour(label, colour);
    label->setText("菜单");
    label->hide();
    return label;
}
} // namespace

NavigationMenu::NavigationMenu(Form1& form, NavPanel& panel, Banner& banner, QLabel& helpLink)
    : QObject(&form), m_form(form), m_panel(panel), m_banner(banner), m_helpLink(helpLink) {
    for (int i = 1; i <= kEntryCount; ++i) {
        auto* icon = new QLabel(&m_panel);
        icon->setObjectName(arrayName("menuPic1", i));
        icon->setPixmap(QPixmap(kIcons[i].picture));
        icon->setScaledContents(true);
        icon->setMouseTracking(true);
        icon->installEventFilter(this);
        setTwipsGeometry(icon, kIconLeft, 0, kIcons[i].width, kIcons[i].height);
        m_icons[i] = icon;
    }
    helpLink.setMouseTracking(true);
    helpLink.installEventFilter(this);
    connect(&panel, &NavPanel::backgroundHovered, this, [this] { unhoverEntries(); });
    connect(&banner, &Banner::pointerMoved, this, [this] { setHelpLinkHover(false); });
}

void NavigationMenu::prepareTemplates() {
    m_entries[0] = menuLabel(&m_panel, arrayName("menu1", 0), 12, kEntryColour);
    setTwipsGeometry(m_entries[0], kEntryLeft, kTemplateTop, 0, 0);
    sizeToText(m_entries[0]);
    setSongFont(&m_helpLink, 10, true);
    setTextColour(&m_helpLink, kWhite);
    // Bold 10 pt does not fit the designed 720 twips; the link keeps its whole text and its right margin.
    sizeToText(&m_helpLink);
    m_subEntries[0] = menuLabel(&m_panel, arrayName("menu2", 0), 9, kSubEntryColour);
    setTwipsGeometry(m_subEntries[0], kEntryLeft + 200, 0, 0, 0);
    sizeToText(m_subEntries[0]);
    for (int t = 1; t <= 8; ++t) {
        auto* title = m_form.control<QLabel>(arrayName("menu2_m", t));
        setSongFont(title, 11, true);
        setTextColour(title, kTitleColour);
        sizeToText(title);
    }
    for (int k = 1; k <= kSubEntryCount; ++k) {
        m_subEntries[k] = menuLabel(&m_panel, arrayName("menu2", k), 9, kSubEntryColour);
        setTwipsGeometry(m_subEntries[k], kEntryLeft + 200, 0, 0, 0);
        m_subEntries[k]->installEventFilter(this);
    }
}

void NavigationMenu::createEntries() {
    for (int i = 1; i <= kEntryCount; ++i) {
        m_entries[i] = menuLabel(&m_panel, arrayName("menu1", i), 12, kEntryColour);
        m_entries[i]->installEventFilter(this);
        setTwipsGeometry(m_entries[i], kEntryLeft, 0, 0, 0);
        setEntryTop(i, twipsTop(entry(i - 1)) + kInitialSpacing);
        m_entries[i]->show();
    }
    for (int i = 1; i <= kEntryCount; ++i) {
        entry(i)->setText(kEntryTexts[i]);
        sizeToText(entry(i));
    }
    for (int k = 1; k <= kSubEntryCount; ++k) {
        subEntry(k)->setText(kSubEntryTexts[k]);
        sizeToText(subEntry(k));
    }
    for (int t = 1; t <= 5; ++t) {
        auto* title = m_form.control<QLabel>(arrayName("menu2_m", t));
        title->setText(kPageTitles[t]);
        sizeToText(title);
    }
    makeKeyboardReachable();
}

void NavigationMenu::makeKeyboardReachable() {
    // Tab goes through the entries in the order they are drawn, each followed by its shown sub-entries (hidden
    // ones are skipped); Enter or Space acts as a left click. Focus looks like hovering, so it can be seen.
    const std::vector<std::vector<int>> groups = {{1, 2}, {3, 4}, {6, 7, 8}, {}, {}};
    QWidget* previous = nullptr;
    auto chain = [&](QWidget* w) {
        w->setFocusPolicy(Qt::TabFocus);
        if (previous) QWidget::setTabOrder(previous, w);
        previous = w;
    };
    for (int i = 1; i <= kEntryCount; ++i) {
        chain(entry(i));
        for (int k : groups[size_t(i - 1)]) chain(subEntry(k));
    }
}

void NavigationMenu::setEntryTop(int i, int top) {
    setTwipsTop(entry(i), top);
    setTwipsTop(m_icons[i], top - kIconAbove);
}

int NavigationMenu::placeSubEntry(int k, int top) {
    setTwipsTop(subEntry(k), top);
    subEntry(k)->show();
    return top + twipsHeight(subEntry(k));
}

void NavigationMenu::entryReleased(int i) {
    if (i == 5) return m_form.openHelp();
    for (int k = 1; k <= kSubEntryCount; ++k)
        subEntry(k)->hide();
    layoutGroup(i);
}

void NavigationMenu::layoutGroup(int i) {
    const auto top = [](QWidget* w) { return twipsTop(w); };
    const auto bottom = [](QWidget* w) { return twipsTop(w) + twipsHeight(w); };
    switch (i) {
    case 1:
        placeSubEntry(2, placeSubEntry(1, bottom(entry(1)) + 100) + 100);
        setEntryTop(2, top(subEntry(2)) + 600);
        for (int j = 3; j <= kEntryCount; ++j)
            setEntryTop(j, top(entry(j - 1)) + kCollapsedSpacing);
        break;
    case 2:
        setEntryTop(2, top(entry(1)) + kCollapsedSpacing);
        placeSubEntry(4, placeSubEntry(3, bottom(entry(2)) + 100) + 100);
        setEntryTop(3, top(subEntry(4)) + 820);
        setEntryTop(4, top(entry(3)) + kCollapsedSpacing);
        setEntryTop(5, top(entry(4)) + kCollapsedSpacing);
        break;
    case 3:
        setEntryTop(2, top(entry(1)) + kCollapsedSpacing);
        setEntryTop(3, top(entry(2)) + kCollapsedSpacing);
        placeSubEntry(8, placeSubEntry(7, placeSubEntry(6, bottom(entry(3)) + 200) + 200) + 200);
        setEntryTop(4, top(subEntry(8)) + 400);
        setEntryTop(5, top(entry(4)) + kCollapsedSpacing);
        break;
    case 4:
        // Counted from the hidden template, so this restores the positions of the load.
        for (int j = 1; j <= kEntryCount; ++j)
            setEntryTop(j, top(entry(j - 1)) + kInitialSpacing);
        m_form.showPage(9, pageHeight(9));
        break;
    default:
        break;
    }
}

void NavigationMenu::subEntryClicked(int k) {
    m_form.showPage(k, pageHeight(k));
}

void NavigationMenu::setBoldSubEntry(int bold) {
    for (int k = 1; k <= kSubEntryCount; ++k) {
        QFont font = subEntry(k)->font();
        if (font.bold() == (k == bold)) continue;
        font.setBold(k == bold);
        subEntry(k)->setFont(font);
        sizeToText(subEntry(k));
    }
}

void NavigationMenu::hoverEntry(int i) {
    setTextColour(entry(i), kHoverColour);
}

void NavigationMenu::unhoverEntries() {
    for (int i = 1; i <= kEntryCount; ++i)
        setTextColour(entry(i), kEntryColour);
}

void NavigationMenu::setHelpLinkHover(bool hover) {
    QFont font = m_helpLink.font();
    font.setUnderline(hover);
    m_helpLink.setFont(font);
    setTextColour(&m_helpLink, hover ? kHoverColour : kWhite);
}

namespace {
bool activatesByKey(const QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<const QKeyEvent*>(event);
    return key->modifiers() == Qt::NoModifier &&
           (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Space);
}

void setUnderlined(QLabel* label, bool underlined) {
    QFont font = label->font();
    font.setUnderline(underlined);
    label->setFont(font);
}
} // namespace

bool NavigationMenu::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    const bool moved = type == QEvent::Enter || type == QEvent::MouseMove;
    const auto* mouse = type == QEvent::MouseButtonRelease ? static_cast<QMouseEvent*>(event) : nullptr;
    for (int i = 1; i <= kEntryCount; ++i) {
        if (watched != m_entries[i] && watched != m_icons[i]) continue;
        if (moved || type == QEvent::FocusIn) hoverEntry(i);
        if (type == QEvent::FocusOut) unhoverEntries();
        if (mouse && mouse->button() == Qt::LeftButton) entryReleased(i);
        if (activatesByKey(event)) {
            entryReleased(i);
            return true;
        }
        return false;
    }
    for (int k = 1; k <= kSubEntryCount; ++k) {
        if (watched != m_subEntries[k]) continue;
        if (type == QEvent::FocusIn || type == QEvent::FocusOut) setUnderlined(subEntry(k), type == QEvent::FocusIn);
        if (mouse && mouse->button() == Qt::LeftButton && subEntry(k)->rect().contains(mouse->position().toPoint()))
            subEntryClicked(k);
        if (activatesByKey(event)) {
            subEntryClicked(k);
            return true;
        }
        return false;
    }
    if (watched == &m_helpLink && (moved || mouse)) {
        QCoreApplication::processEvents();
        if (moved) {
            setHelpLinkHover(true);
        } else {
            QFont font = m_helpLink.font();
            font.setUnderline(false);
            m_helpLink.setFont(font);
            if (mouse->button() == Qt::LeftButton && m_helpLink.rect().contains(mouse->position().toPoint()))
                m_form.openHelp();
        }
    }
    return false;
}

} // namespace tabrix::app
