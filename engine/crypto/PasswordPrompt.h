#pragma once

#include "engine/crypto/Secret.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace tabrix::engine::crypto {

/// One question for a workbook's password.
struct PasswordRequest {
    std::string path;         ///< the file, as the caller named it
    std::string scheme;       ///< how it is protected, for a caller that shows it
    bool wrongBefore = false; ///< the previous answer for this file was wrong
};

/// Asks for a password; nullopt when the user declined. May throw PasswordNotGivenError with a message of its
/// own (a command line without a way to ask says how to give one).
using PasswordPrompt = std::function<std::optional<Password>(const PasswordRequest&)>;

/// Finds the password that fits: the default password first, silently, then the prompt's answers until one
/// fits. Returns nullptr when the default password fitted. Throws PasswordNotGivenError when there is no
/// prompt or it declines.
std::shared_ptr<const Password> findPassword(const std::string& path, const std::string& scheme,
                                             const std::function<bool(const Password&)>& fits,
                                             const PasswordPrompt& prompt);

} // namespace tabrix::engine::crypto
