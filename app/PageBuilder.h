#pragma once

#include <QString>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QWidget;

namespace tabrix::app {

/// The name of a member of a control array, "Text7(1)": the way every control of the window is named.
QString arrayName(const char* name, int index);

/// Creates named controls on a page at twips positions. Controls are created in tab order.
class PageBuilder {
public:
    explicit PageBuilder(QWidget* page) : m_page(page) {}

    QLabel* label(const QString& name, const QString& text, int left, int top, int width, int height);
    QLineEdit* textBox(const QString& name, int left, int top, int width, int height, const QString& text = {});
    QPushButton* button(const QString& name, const QString& text, int left, int top, int width, int height);
    QCheckBox* checkBox(const QString& name, const QString& text, int left, int top, int width, int height);
    QRadioButton* option(const QString& name, const QString& text, int left, int top, int width, int height);
    QListWidget* list(const QString& name, int left, int top, int width, int height);
    QComboBox* combo(const QString& name, int left, int top, int width, int height);

private:
    QWidget* m_page;
};

/// Creates the eight operation pages `fra(k)` with their controls, as the window is designed, all hidden.
void buildPages(QWidget* form);

/// Keeps a text box to digits and Backspace: any other typed character, a paste or an input-method text is
/// dropped, as the start-row boxes require.
void acceptDigitsOnly(QLineEdit* box);

} // namespace tabrix::app
