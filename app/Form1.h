#pragma once

#include <QString>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

class QPlainTextEdit;

namespace tabrix::app {

class CommonDialog;
class FolderMemory;
class DropTargets;
class NavigationMenu;
class QtHost;
class SourceSelection;
class PageActions;

/// The help file of the program in programFolder (default: this program's): next to the program, or where an
/// installed program keeps it (share/tabrix/help beside bin/).
QString helpFilePath(const QString& programFolder = {});

/// Page number to page height in twips, as the menu shows them.
int pageHeight(int page);

/// The main window. It owns the state the pages share: the working extension, the log box, the shared dialog
/// `cmd`, the sheet list ready flag and last column letter of the split page, the column correspondence of the
/// compare page, and the guard that keeps a second operation from starting while one runs.
class Form1 : public QWidget {
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    template <typename T = QWidget> T* control(const QString& name) const { return findChild<T*>(name); }

    /// "xls" or "xlsx", from the version selector.
    QString workingExtension() const { return m_extension; }
    QtHost& host() { return *m_host; }
    CommonDialog& cmd() { return *m_cmd; }
    QPlainTextEdit* logBox() const;

    bool sheetListReady() const { return m_sheetListReady; }
    void setSheetListReady(bool ready) { m_sheetListReady = ready; }
    QString lastColumnLetter() const { return m_lastColumnLetter; }
    void setLastColumnLetter(const QString& letters) { m_lastColumnLetter = letters; }

    /// Column pairs of the enhanced comparison; a browse on the compare page empties them.
    struct Correspondence {
        std::vector<std::string> firstColumns, secondColumns;
    };
    Correspondence& correspondence() { return m_correspondence; }
    void emptyCorrespondence() { m_correspondence.firstColumns.clear(); }

    /// True while a listing or an operation runs; a second one must not start meanwhile.
    bool busy() const { return m_busy; }
    /// Claims the window for one listing or operation; false when one already runs.
    bool beginOperation();
    void endOperation() {
        m_busy = false;
        emit operationEnded();
    }

    /// Shows operation page k with height h (twips) and the log box under it.
    void showPage(int page, int height);
    /// The layout that follows the window's outer size (twips) and state.
    void applyWindowSize(int outerWidth, int outerHeight, bool minimised);
    /// Asks the desktop to open the help file next to the program; the answer is not looked at.
    void openHelp();
    /// A workbook or folder given when the program starts ("Open with"): shown on the first page that takes it
    /// (a workbook on the worksheet merge, a folder on the folder merge), as if dropped there.
    void openPath(const QString& path);
    /// The outer size the window is given at load, in twips.
    static constexpr int kOuterWidth = 9480;
    static constexpr int kOuterHeight = 6630;

signals:
    /// A listing or operation has finished and the window is free again.
    void operationEnded();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void buildFrame();
    void load();
    void setOuterSize(int width, int height);
    void updateWorkingExtension();
    void stylePass();
    void fillAboutPanel();
    void layoutForCurrentSize();
    void fitFrame();

    QString m_extension;
    CommonDialog* m_cmd = nullptr;
    std::unique_ptr<QtHost> m_host;
    NavigationMenu* m_menu = nullptr;
    SourceSelection* m_sources = nullptr;
    PageActions* m_actions = nullptr;
    FolderMemory* m_folders = nullptr;
    DropTargets* m_drops = nullptr;
    bool m_sheetListReady = false;
    QString m_lastColumnLetter;
    Correspondence m_correspondence;
    bool m_busy = false;
    bool m_frameFitted = false;
};

/// Holds the window for one operation and lets it go on every way out.
class OperationScope {
public:
    explicit OperationScope(Form1& form) : m_form(form), m_claimed(form.beginOperation()) {}
    ~OperationScope() {
        if (m_claimed) m_form.endOperation();
    }
    OperationScope(const OperationScope&) = delete;
    OperationScope& operator=(const OperationScope&) = delete;
    explicit operator bool() const { return m_claimed; }

private:
    Form1& m_form;
    bool m_claimed;
};

} // namespace tabrix::app
