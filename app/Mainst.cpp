#include "app/Mainst.h"

#include "app/Fonts.h"
#include "app/Form1.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QVBoxLayout>

namespace tabrix::app {

Mainst::Mainst() {
    setObjectName("mainst");
    setWindowTitle("Tabrix");
    setWindowFlags(Qt::SplashScreen);
    auto* label = new QLabel("正在加载，请稍等！", this);
    label->setObjectName("Label1");
    label->setFont(songFont(12));
    label->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(40, 24, 40, 24);
    layout->addWidget(label);
}

QString setupCommandLine(const QString& programFolder) {
    return programFolder + "/depend/regsvr32 /s  Comdlg32.ocx";
}

namespace {
// The file-dialog control needs no registration here; a program folder that still carries the setup tool gets
// it started as the command line says, without waiting and without looking at the outcome.
void startSetupCommand() {
    const QString folder = QCoreApplication::applicationDirPath();
    const QString tool = folder + "/depend/regsvr32";
    if (!QFileInfo(tool).isExecutable()) return;
    QStringList parts = QProcess::splitCommand(setupCommandLine(folder).mid(folder.size() + 1));
    parts.removeFirst();
    QProcess::startDetached(tool, parts, folder + "/depend");
}
} // namespace

std::unique_ptr<Form1> startUp() {
    installFontSubstitutions();
    auto splash = std::make_unique<Mainst>();
    splash->show();
    QCoreApplication::processEvents();
    startSetupCommand();
    QCoreApplication::processEvents();
    auto form = std::make_unique<Form1>();
    form->show();
    splash->close();
    return form;
}

} // namespace tabrix::app
