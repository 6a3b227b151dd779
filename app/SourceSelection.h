#pragma once

#include <QObject>
#include <QString>
#include <optional>

namespace tabrix::app {

class Form1;

/// The "浏览" buttons of every page: open-file picks that fill a path box and, on the pages that work on one
/// chosen worksheet, list that workbook's worksheets; folder picks; and the column listing of the split page.
class SourceSelection : public QObject {
    Q_OBJECT
public:
    explicit SourceSelection(Form1& form);

    enum class Listing { None, NothingSelected, FirstSelected };
    struct OpenButton {
        const char* button;
        const char* box;
        std::optional<QString> title; ///< nullopt keeps the dialog's last title
        const char* filterLabel;
        Listing listing;
        const char* list;
    };

    /// A file or folder dropped on a path box: the box takes it as its button would after the dialog (the
    /// worksheets listed, the flags set). False when the box does not take that kind of path or the window is busy.
    bool dropFile(const QString& box, const QString& path);
    bool dropFolder(const QString& box, const QString& folder);

private:
    void pickFile(const OpenButton& button);
    void acceptFile(const OpenButton& button, const QString& path);
    void acceptFolder(const QString& box, bool lock, const QString& folder);
    void listWorksheets(const OpenButton& button, const QString& path);
    void pickFolder(const QString& box, bool lock);
    void listColumns();
    void logFailure(const QString& what, const std::exception& error);

    Form1& m_form;
    bool m_columnsPending = false;
};

} // namespace tabrix::app
