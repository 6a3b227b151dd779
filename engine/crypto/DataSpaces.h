#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tabrix::engine::crypto {

/// The \x06DataSpaces storage an encrypted package's compound file carries beside EncryptionInfo and
/// EncryptedPackage: the version, the map saying EncryptedPackage is in the strong-encryption data space, that data
/// space's definition, and its one transform (the encryption). Every encrypted package has the same; readers that
/// decrypt do not need it, but the application that writes such files expects it. Paths use "/" between a storage
/// and what it holds.
std::vector<std::pair<std::string, std::vector<uint8_t>>> dataSpacesStreams();

} // namespace tabrix::engine::crypto
