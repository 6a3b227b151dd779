#include "app/Form1.h"
#include "app/Mainst.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const auto window = tabrix::app::startUp();
    return QApplication::exec();
}
