#include "app/PageBuilder.h"

#include "app/Fonts.h"
#include "app/Twips.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace tabrix::app {

namespace {
template <typename T> T* place(T* widget, const QString& name, int left, int top, int width, int height) {
    widget->setObjectName(name);
    setTwipsGeometry(widget, left, top, width, height);
    return widget;
}

// Start-row boxes take digits and Backspace only; keys that type nothing (arrows, Delete, Tab) still work.
class DigitsOnly : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Backspace) return false;
        if (key->matches(QKeySequence::Paste)) return true;
        // Tab, Enter and other control characters keep their work of moving focus or pressing buttons.
        for (QChar c : key->text())
            if (c.isPrint() && (c < '0' || c > '9')) return true;
        return false;
    }
};
} // namespace

QString arrayName(const char* name, int index) {
    return QString("%1(%2)").arg(name).arg(index);
}

void acceptDigitsOnly(QLineEdit* box) {
    box->installEventFilter(new DigitsOnly(box));
    box->setAttribute(Qt::WA_InputMethodEnabled, false);
    box->setAcceptDrops(false);
    box->setContextMenuPolicy(Qt::NoContextMenu);
}

QLabel* PageBuilder::label(const QString& name, const QString& text, int left, int top, int width, int height) {
    auto* w = place(new QLabel(text, m_page), name, left, top, width, height);
    w->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return w;
}

QLineEdit* PageBuilder::textBox(const QString& name, int left, int top, int width, int height, const QString& text) {
    return place(new QLineEdit(text, m_page), name, left, top, width, height);
}

QPushButton* PageBuilder::button(const QString& name, const QString& text, int left, int top, int width, int height) {
    auto* w = place(new QPushButton(text, m_page), name, left, top, width, height);
    // Enter on a focused button presses it, as on the platform the window was designed for.
    w->setAutoDefault(true);
    return w;
}

QCheckBox* PageBuilder::checkBox(const QString& name, const QString& text, int left, int top, int width, int height) {
    return place(new QCheckBox(text, m_page), name, left, top, width, height);
}

QRadioButton* PageBuilder::option(const QString& name, const QString& text, int left, int top, int width, int height) {
    return place(new QRadioButton(text, m_page), name, left, top, width, height);
}

QListWidget* PageBuilder::list(const QString& name, int left, int top, int width, int height) {
    return place(new QListWidget(m_page), name, left, top, width, height);
}

QComboBox* PageBuilder::combo(const QString& name, int left, int top, int width, int height) {
    return place(new QComboBox(m_page), name, left, top, width, height);
}

} // namespace tabrix::app
