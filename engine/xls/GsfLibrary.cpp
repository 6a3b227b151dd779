#include "engine/xls/GsfLibrary.h"

#include <gsf/gsf.h>

#include <mutex>

namespace tabrix::engine::xls {

void ensureGsfReady() {
    static std::once_flag once;
    std::call_once(once, [] {
        gsf_init();
        // libgsf reports damaged containers as warnings on stderr as well as through its error result; the
        // result is what the user sees, so the console copy is dropped.
        g_log_set_handler("libgsf:msole",
                          GLogLevelFlags(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE),
                          [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
    });
}

} // namespace tabrix::engine::xls
