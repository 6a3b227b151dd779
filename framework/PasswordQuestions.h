#pragma once

#include "engine/object/Application.h"
#include "framework/Host.h"

namespace tabrix::framework {

/// Lets the application ask the host for the passwords of protected workbooks. With severalFiles (a folder
/// operation) the host offers to use an answer for the files after it: that password is then tried first on
/// each later file, and the host is asked only where it does not fit. The host must outlive the application.
void askPasswordsThrough(Host& host, engine::Application& app, bool severalFiles = false);

} // namespace tabrix::framework
