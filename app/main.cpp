#include "app/Form1.h"
#include "app/Mainst.h"

#include <QApplication>
#include <malloc.h>

int main(int argc, char** argv) {
    // Operations read and drop one workbook after another: keep freed memory for the next one rather than
    // returning it to the system and faulting it in again.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    QApplication application(argc, argv);
    const auto window = tabrix::app::startUp();
    return QApplication::exec();
}
