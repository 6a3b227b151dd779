#pragma once

#include <QObject>
#include <QString>
#include <array>

class QLabel;
class QWidget;

namespace tabrix::app {

class Form1;
class NavPanel;
class Banner;

/// The accordion menu of the navigation panel: five top-level entries with icons, eight sub-entries, the page
/// titles' texts and the help link's look. Each entry is a label, as the menu is drawn; only a left-button
/// release over an entry or its icon acts on it.
class NavigationMenu : public QObject {
    Q_OBJECT
public:
    NavigationMenu(Form1& form, NavPanel& panel, Banner& banner, QLabel& helpLink);

    /// Menu construction, steps 1 to 4: the templates, the help link and the sub-entries.
    void prepareTemplates();
    /// Steps 5 to 8: the top-level entries at their first positions, and every text.
    void createEntries();

    /// A left-button release over top-level entry i (1 to 5).
    void entryReleased(int entry);
    /// A click on sub-entry k (1 to 8).
    void subEntryClicked(int subEntry);
    /// Makes sub-entry k bold, every other one plain; 0 for none.
    void setBoldSubEntry(int subEntry);

    static constexpr int kEntryCount = 5;
    static constexpr int kSubEntryCount = 8;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* entry(int i) const { return m_entries[i]; }
    QLabel* subEntry(int k) const { return m_subEntries[k]; }
    void setEntryTop(int i, int top);
    int placeSubEntry(int k, int top);
    void layoutGroup(int entry);
    void hoverEntry(int i);
    void unhoverEntries();
    void setHelpLinkHover(bool hover);
    void makeKeyboardReachable();

    Form1& m_form;
    NavPanel& m_panel;
    Banner& m_banner;
    QLabel& m_helpLink;
    std::array<QLabel*, kEntryCount + 1> m_entries{};
    std::array<QLabel*, kEntryCount + 1> m_icons{};
    std::array<QLabel*, kSubEntryCount + 1> m_subEntries{};
};

} // namespace tabrix::app
