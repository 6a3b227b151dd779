#include "engine/xlsx/read/OpcRelations.h"

#include "engine/xlsx/ExpatParser.h"
#include "engine/xlsx/XmlText.h"
#include "engine/xlsx/read/ZipPackage.h"

namespace tabrix::engine::xlsx {

namespace {
constexpr uint64_t kSmallPartLimit = uint64_t(64) << 20;

class RelsHandler : public XmlHandler {
public:
    RelsHandler(std::string_view source, std::vector<Relationship>& out) : m_source(source), m_out(out) {}
    void startElement(std::string_view name, const char** atts) override {
        if (name != "Relationship") return;
        Relationship rel;
        const char* id = findAttr(atts, "Id");
        const char* type = findAttr(atts, "Type");
        const char* target = findAttr(atts, "Target");
        const char* mode = findAttr(atts, "TargetMode");
        if (!type || !target) return;
        rel.id = id ? id : "";
        std::string_view t = type;
        rel.kind = std::string(t.substr(t.rfind('/') + 1));
        rel.external = mode && std::string_view(mode) == "External";
        rel.target = rel.external ? target : resolveTarget(m_source, target);
        m_out.push_back(std::move(rel));
    }
    void endElement(std::string_view) override {}

private:
    std::string_view m_source;
    std::vector<Relationship>& m_out;
};

class TypesHandler : public XmlHandler {
public:
    TypesHandler(std::unordered_map<std::string, std::string>& overrides,
                 std::unordered_map<std::string, std::string>& defaults)
        : m_overrides(overrides), m_defaults(defaults) {}
    void startElement(std::string_view name, const char** atts) override {
        const char* type = findAttr(atts, "ContentType");
        if (!type) return;
        if (name == "Override") {
            if (const char* part = findAttr(atts, "PartName")) m_overrides[ZipPackage::normalize(part)] = type;
        } else if (name == "Default") {
            if (const char* ext = findAttr(atts, "Extension")) m_defaults[ZipPackage::normalize(ext)] = type;
        }
    }
    void endElement(std::string_view) override {}

private:
    std::unordered_map<std::string, std::string>& m_overrides;
    std::unordered_map<std::string, std::string>& m_defaults;
};
} // namespace

std::string percentDecode(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        auto hex = [](char c) {
            return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        };
        if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
            out += char(hex(text[i + 1]) * 16 + hex(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string relsPartOf(std::string_view part) {
    size_t slash = part.rfind('/');
    std::string_view dir = slash == std::string_view::npos ? std::string_view() : part.substr(0, slash + 1);
    std::string_view file = slash == std::string_view::npos ? part : part.substr(slash + 1);
    return std::string(dir) + "_rels/" + std::string(file) + ".rels";
}

std::string resolveTarget(std::string_view sourcePart, std::string_view target) {
    std::string decoded = percentDecode(target);
    std::string_view t = decoded;
    std::vector<std::string> segments;
    if (!t.empty() && (t.front() == '/' || t.front() == '\\')) {
        t.remove_prefix(1);
    } else {
        std::string_view src = sourcePart;
        size_t slash = src.rfind('/');
        std::string_view dir = slash == std::string_view::npos ? std::string_view() : src.substr(0, slash);
        while (!dir.empty()) {
            size_t next = dir.find('/');
            segments.emplace_back(dir.substr(0, next));
            dir = next == std::string_view::npos ? std::string_view() : dir.substr(next + 1);
        }
    }
    while (!t.empty()) {
        size_t next = t.find_first_of("/\\");
        std::string_view seg = t.substr(0, next);
        if (seg == "..") {
            if (!segments.empty()) segments.pop_back();
        } else if (!seg.empty() && seg != ".") {
            segments.emplace_back(seg);
        }
        t = next == std::string_view::npos ? std::string_view() : t.substr(next + 1);
    }
    std::string out;
    for (const auto& s : segments) out += (out.empty() ? "" : "/") + s;
    return out;
}

std::vector<Relationship> readRelationships(ZipPackage& package, std::string_view sourcePart) {
    std::vector<Relationship> rels;
    std::string relsPart = relsPartOf(sourcePart);
    if (!package.has(relsPart)) return rels;
    RelsHandler handler(sourcePart, rels);
    parseXml(handler, package.read(relsPart, kSmallPartLimit), package.name() + ": " + relsPart);
    for (auto& rel : rels) {
        if (rel.external || package.has(rel.target)) continue;
        std::string fromRoot = resolveTarget("", rel.target);
        if (package.has(fromRoot)) rel.target = fromRoot;
    }
    return rels;
}

const Relationship* findRelationship(const std::vector<Relationship>& rels, std::string_view kind) {
    for (const auto& rel : rels)
        if (rel.kind == kind && !rel.external) return &rel;
    return nullptr;
}

void ContentTypes::load(ZipPackage& package) {
    const char* part = "[Content_Types].xml";
    if (!package.has(part)) return;
    TypesHandler handler(m_overrides, m_defaults);
    parseXml(handler, package.read(part, kSmallPartLimit), package.name() + ": " + part);
}

std::string ContentTypes::of(std::string_view part) const {
    std::string key = ZipPackage::normalize(part);
    if (auto it = m_overrides.find(key); it != m_overrides.end()) return it->second;
    size_t dot = key.rfind('.');
    if (dot != std::string::npos)
        if (auto it = m_defaults.find(key.substr(dot + 1)); it != m_defaults.end()) return it->second;
    return "application/octet-stream";
}

} // namespace tabrix::engine::xlsx
