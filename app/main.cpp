#include "app/Form1.h"
#include "app/Mainst.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QStringList>
#include <cstring>
#include <malloc.h>

namespace {
// --help and --version answer on the terminal, so they must work where no display is (a server, a package test).
bool answersOnTheTerminal(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        for (const char* option : {"-h", "--help", "--help-all", "-v", "--version"})
            if (std::strcmp(argv[i], option) == 0) return true;
    return false;
}

QStringList describeProgram(QCoreApplication& application) {
    QCoreApplication::setApplicationName("Tabrix");
    QCoreApplication::setApplicationVersion(TABRIX_VERSION);
    QCoreApplication::setOrganizationName("Tabrix");
    QCommandLineParser options;
    options.setApplicationDescription("Tabrix：Excel 工作簿的合并、拆分、比较、查找与版本转换");
    options.addHelpOption();
    options.addVersionOption();
    options.addPositionalArgument("文件", "启动后放入“合并数据”页的工作簿或文件夹（可选）", "[文件]");
    options.process(application);
    return options.positionalArguments();
}
} // namespace

int main(int argc, char** argv) {
    if (answersOnTheTerminal(argc, argv)) {
        QCoreApplication terminal(argc, argv);
        describeProgram(terminal); // prints and exits
        return 0;
    }
    // Operations read and drop one workbook after another: keep freed memory for the next one rather than
    // returning it to the system and faulting it in again.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    QApplication application(argc, argv);
    const QStringList paths = describeProgram(application);
    QApplication::setWindowIcon(QIcon::fromTheme("tabrix", QIcon(":/icons/tabrix.png")));
    const auto window = tabrix::app::startUp();
    if (!paths.isEmpty()) window->openPath(paths.front());
    return QApplication::exec();
}
