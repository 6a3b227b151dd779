#include "engine/crypto/PackageProtection.h"

#include "engine/EngineError.h"
#include "engine/crypto/AgileEncryption.h"
#include "engine/crypto/Primitives.h"
#include "engine/crypto/StandardEncryption.h"

namespace tabrix::engine::crypto {

std::unique_ptr<PackageProtection> PackageProtection::read(std::span<const uint8_t> info, const std::string& where) {
    if (info.size() < 8) throw EngineError(where + ": 加密信息（EncryptionInfo）已损坏：只有 " +
                                           std::to_string(info.size()) + " 字节");
    const uint16_t major = le16At(info, 0), minor = le16At(info, 2);
    if (major == 4 && minor == 4)
        return std::make_unique<AgileEncryption>(
            std::string_view(reinterpret_cast<const char*>(info.data()) + 8, info.size() - 8), where);
    if ((major == 2 || major == 3 || major == 4) && minor == 2)
        return std::make_unique<StandardEncryption>(info.subspan(4), where);
    if (minor == 3)
        throw EngineError(where + ": 工作簿设有密码，但加密方式不受支持（可扩展加密，版本 " + std::to_string(major) +
                          "." + std::to_string(minor) + "）");
    throw EngineError(where + ": 工作簿设有密码，但加密方式不受支持（EncryptionInfo 版本 " + std::to_string(major) +
                      "." + std::to_string(minor) + "）");
}

} // namespace tabrix::engine::crypto
