#include "engine/crypto/PasswordPrompt.h"

#include "engine/EngineError.h"

namespace tabrix::engine::crypto {

std::shared_ptr<const Password> findPassword(const std::string& path, const std::string& scheme,
                                             const std::function<bool(const Password&)>& fits,
                                             const PasswordPrompt& prompt) {
    if (fits(Password(kDefaultPassword))) return nullptr;
    if (!prompt) throw PasswordNotGivenError(path + ": 工作簿设有密码（" + scheme + "），没有给出密码");
    PasswordRequest request{path, scheme, false};
    for (;;) {
        std::optional<Password> answer = prompt(request);
        if (!answer) throw PasswordNotGivenError(path + ": 工作簿设有密码，没有输入密码，已取消");
        if (fits(*answer)) return std::make_shared<const Password>(*answer);
        request.wrongBefore = true;
    }
}

} // namespace tabrix::engine::crypto
