#include "engine/crypto/DataSpaces.h"

#include <string_view>

namespace tabrix::engine::crypto {

namespace {

/// Little-endian builder for the data-space structures.
struct Bytes {
    std::vector<uint8_t> out;

    void u32(uint32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
    }
    /// A length-prefixed UTF-16LE string (ASCII text only here), padded to a multiple of four bytes.
    void text(std::string_view ascii) {
        u32(uint32_t(ascii.size() * 2));
        for (char c : ascii) {
            out.push_back(uint8_t(c));
            out.push_back(0);
        }
        while (out.size() % 4) out.push_back(0);
    }
    /// Reader, updater and writer version, each 1.0.
    void versions() {
        for (int i = 0; i < 3; ++i) u32(1);
    }
};

constexpr std::string_view kDataSpace = "StrongEncryptionDataSpace";
constexpr std::string_view kTransform = "StrongEncryptionTransform";
constexpr std::string_view kTransformId = "{FF9A3F03-56EF-4613-BDD5-5A41C1D07246}";
constexpr std::string_view kTransformName = "Microsoft.Container.EncryptionTransform";

std::vector<uint8_t> version() {
    Bytes b;
    b.text("Microsoft.Container.DataSpaces");
    b.versions();
    return b.out;
}

std::vector<uint8_t> dataSpaceMap() {
    Bytes entry;
    entry.u32(1); // one reference component:
    entry.u32(0); // a stream,
    entry.text("EncryptedPackage");
    entry.text(kDataSpace);
    Bytes b;
    b.u32(8); // header length
    b.u32(1); // one entry
    b.u32(uint32_t(entry.out.size() + 4));
    b.out.insert(b.out.end(), entry.out.begin(), entry.out.end());
    return b.out;
}

std::vector<uint8_t> dataSpaceDefinition() {
    Bytes b;
    b.u32(8); // header length
    b.u32(1); // one transform
    b.text(kTransform);
    return b.out;
}

std::vector<uint8_t> transformInfo() {
    Bytes b;
    // The header's length counts itself, the type and the id, not the name that follows.
    b.u32(uint32_t(4 + 4 + 4 + kTransformId.size() * 2));
    b.u32(1); // type: a transform the application itself knows
    b.text(kTransformId);
    b.text(kTransformName);
    b.versions();
    b.u32(0); // encryption name: none (the scheme is in EncryptionInfo)
    b.u32(0); // block size
    b.u32(0); // cipher mode
    b.u32(4); // reserved, as written
    return b.out;
}

} // namespace

std::vector<std::pair<std::string, std::vector<uint8_t>>> dataSpacesStreams() {
    const std::string root = "\x06" "DataSpaces/";
    return {{root + "Version", version()},
            {root + "DataSpaceMap", dataSpaceMap()},
            {root + "DataSpaceInfo/" + std::string(kDataSpace), dataSpaceDefinition()},
            {root + "TransformInfo/" + std::string(kTransform) + "/\x06" "Primary", transformInfo()}};
}

} // namespace tabrix::engine::crypto
