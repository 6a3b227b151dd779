#include "framework/Failure.h"

#include "engine/EngineError.h"
#include "framework/Messages.h"

namespace tabrix::framework {

Outcome reportFailure(Host& host, const std::string& operation, const std::exception& error) {
    // A sheet named by the caller that the workbook lacks is a wrong input, not a failure of the operation.
    // A protected workbook whose password was not given: the user's refusal, logged as such.
    if (dynamic_cast<const engine::PasswordNotGivenError*>(&error)) {
        host.appendLog(error.what());
        host.message(error.what(), msg::kTitlePassword);
        return Outcome::Refused;
    }
    if (dynamic_cast<const engine::MissingSheetError*>(&error)) {
        host.appendLog(error.what());
        host.message(error.what(), msg::kTitleCheckSheets);
        return Outcome::Refused;
    }
    const std::string line = operation + "失败：" + error.what();
    host.appendLog(line);
    host.message(line, operation + "失败");
    return Outcome::Failed;
}

} // namespace tabrix::framework
