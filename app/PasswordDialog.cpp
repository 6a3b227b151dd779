#include "app/PasswordDialog.h"

#include "app/DialogScript.h"
#include "engine/crypto/Secret.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tabrix::app {

namespace {
constexpr const char* kTitle = "需要密码";

// The typed text leaves the box and the QString it came through wiped.
engine::crypto::Password takeText(QLineEdit* box) {
    QByteArray utf8 = box->text().toUtf8();
    engine::crypto::Password password(std::string_view(utf8.constData(), size_t(utf8.size())));
    engine::crypto::wipe(utf8.data(), size_t(utf8.size()));
    box->clear();
    return password;
}
} // namespace

PasswordDialog::PasswordDialog(QWidget* owner, const framework::PasswordQuestion& question) : QDialog(owner) {
    setWindowTitle(kTitle);
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    const QString file = QString::fromStdString(question.file);
    QString text = "工作簿“" + QFileInfo(file).fileName() + "”设有密码，请输入密码：\n" + file;
    if (question.wrongBefore) text = "密码不正确\n" + text;
    m_text = new QLabel(text, this);
    m_text->setObjectName("passwordQuestion");
    m_text->setWordWrap(true);
    layout->addWidget(m_text);
    m_password = new QLineEdit(this);
    m_password->setObjectName("passwordBox");
    m_password->setEchoMode(QLineEdit::Password);
    layout->addWidget(m_password);
    m_sameForNext = new QCheckBox("后面的文件使用同一密码", this);
    m_sameForNext->setObjectName("sameForNext");
    m_sameForNext->setVisible(question.offerSameForNext);
    layout->addWidget(m_sameForNext);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText("确定");
    buttons->button(QDialogButtonBox::Cancel)->setText("取消");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    m_password->setFocus();
}

PasswordDialog::~PasswordDialog() { m_password->clear(); }

QString PasswordDialog::questionText() const { return m_text->text(); }

std::optional<framework::PasswordAnswer> PasswordDialog::ask(QWidget* owner,
                                                             const framework::PasswordQuestion& question) {
    PasswordDialog dialog(owner, question);
    bool accepted = false;
    if (DialogScript::active()) {
        auto reply = DialogScript::takePassword(dialog.questionText(), kTitle);
        if (reply) {
            dialog.m_password->setText(reply->password);
            dialog.m_sameForNext->setChecked(reply->sameForNext && question.offerSameForNext);
            accepted = true;
        }
    } else {
        accepted = dialog.exec() == QDialog::Accepted;
    }
    if (!accepted) return std::nullopt;
    const bool same = dialog.m_sameForNext->isChecked();
    return framework::PasswordAnswer{takeText(dialog.m_password), same};
}

} // namespace tabrix::app
