#include "framework/PasswordQuestions.h"

#include <memory>

namespace tabrix::framework {

namespace {
struct Questions {
    std::unique_ptr<engine::crypto::Password> forNext; ///< the answer the user chose to use for the next files
    std::string triedForNextOn;                      ///< the last file it was tried on
    std::string askedOn;                             ///< the last file the user was asked about
};
} // namespace

void askPasswordsThrough(Host& host, engine::Application& app, bool severalFiles) {
    auto state = std::make_shared<Questions>();
    app.setPasswordPrompt([&host, state, severalFiles](const engine::crypto::PasswordRequest& request)
                              -> std::optional<engine::crypto::Password> {
        // The shared password goes first, silently, once per file; where it does not fit the user is asked.
        if (state->forNext && state->triedForNextOn != request.path) {
            state->triedForNextOn = request.path;
            return *state->forNext;
        }
        // "Wrong" only when the user's own answer for this file was wrong, not the shared one tried silently.
        const bool wrong = request.wrongBefore && state->askedOn == request.path;
        state->askedOn = request.path;
        auto answer = host.askPassword({request.path, wrong, severalFiles});
        if (!answer) return std::nullopt;
        if (answer->sameForNext) {
            state->forNext = std::make_unique<engine::crypto::Password>(answer->password);
            state->triedForNextOn = request.path;
        }
        return answer->password;
    });
}

} // namespace tabrix::framework
