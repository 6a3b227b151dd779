#pragma once

#include <QString>

namespace tabrix::app {
class Form1;
}

namespace tabrix::screenshot {

/// Lets the window settle, then saves it as folder/name.png as the screen shows it (or as the window draws
/// itself where the screen cannot be read); prints what was written.
bool shoot(app::Form1& form, const QString& folder, const QString& name);

} // namespace tabrix::screenshot
