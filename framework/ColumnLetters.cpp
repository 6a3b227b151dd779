#include "framework/ColumnLetters.h"

#include "engine/model/CellAddress.h"

namespace tabrix::framework {

std::string columnLetter(long c) {
    if (c < 1) return {};
    if (c > 702) return engine::columnLetters(static_cast<uint32_t>(c - 1));
    const long q = c / 26, r = c % 26;
    if (q == 0) return std::string(1, char(64 + r));
    if (c == 26) return "Z";
    if (r == 0) return std::string{char(63 + q), 'Z'};
    return std::string{char(64 + q), char(64 + r)};
}

} // namespace tabrix::framework
