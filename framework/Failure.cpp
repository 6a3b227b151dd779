#include "framework/Failure.h"

namespace tabrix::framework {

Outcome reportFailure(Host& host, const std::string& operation, const std::exception& error) {
    const std::string line = operation + "失败：" + error.what();
    host.appendLog(line);
    host.message(line, operation + "失败");
    return Outcome::Failed;
}

} // namespace tabrix::framework
