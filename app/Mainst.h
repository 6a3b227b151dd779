#pragma once

#include <QString>
#include <QWidget>
#include <memory>

namespace tabrix::app {

class Form1;

/// The start-up form: shows "正在加载，请稍等！" while the setup step starts and the main window is built.
class Mainst : public QWidget {
    Q_OBJECT
public:
    Mainst();
};

/// The setup command line as the program folder would run it, unchanged.
QString setupCommandLine(const QString& programFolder);

/// The start-up sequence: the start-up form, the setup step when the program folder carries it, the main window
/// created and shown, the start-up form gone. Returns the main window, which lives as long as the program.
std::unique_ptr<Form1> startUp();

} // namespace tabrix::app
