#pragma once

#include "framework/Host.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace tabrix::app {

/// The small modal question for a protected workbook's password: the file named, the characters hidden,
/// 确定 / 取消; "密码不正确" above the box after a wrong answer, and in a folder operation the offer to use the
/// password for the files after this one.
class PasswordDialog : public QDialog {
    Q_OBJECT
public:
    PasswordDialog(QWidget* owner, const framework::PasswordQuestion& question);
    ~PasswordDialog() override;

    /// What the dialog says (file and, after a wrong answer, "密码不正确").
    QString questionText() const;
    QLineEdit* passwordBox() const { return m_password; }
    QCheckBox* sameForNextBox() const { return m_sameForNext; }

    /// Asks (or, in a scripted run, takes the scripted reply through the same controls); nullopt for 取消.
    static std::optional<framework::PasswordAnswer> ask(QWidget* owner, const framework::PasswordQuestion& question);

private:
    QLabel* m_text;
    QLineEdit* m_password;
    QCheckBox* m_sameForNext;
};

} // namespace tabrix::app
