#include "split/PartNames.h"

#include "engine/object/SheetNames.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>

namespace tabrix::split {

namespace {
constexpr const char* kBlank = "空白";
constexpr size_t kMaxSheetNameChars = 31;
constexpr size_t kMaxFileNameBytes = 255;

std::string upperAscii(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return s;
}

bool isDeviceName(const std::string& stem) {
    static const std::array<const char*, 4> kPlain = {"CON", "PRN", "AUX", "NUL"};
    const std::string head = upperAscii(stem.substr(0, stem.find('.')));
    if (std::find_if(kPlain.begin(), kPlain.end(), [&](const char* n) { return head == n; }) != kPlain.end())
        return true;
    return head.size() == 4 && (head.rfind("COM", 0) == 0 || head.rfind("LPT", 0) == 0) && head[3] >= '1' &&
           head[3] <= '9';
}

void dropTrailingDotsAndSpaces(std::string& s) {
    while (!s.empty() && (s.back() == '.' || s.back() == ' '))
        s.pop_back();
}
} // namespace

std::string utf8BytePrefix(const std::string& text, size_t bytes) {
    if (text.size() <= bytes) return text;
    size_t cut = bytes;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return text.substr(0, cut);
}

std::string validFileStem(const std::string& value) {
    std::string stem;
    stem.reserve(value.size());
    for (unsigned char c : value) {
        const bool bad =
            c < 0x20 || c == 0x7F || std::string_view("\\/:*?\"<>|").find(char(c)) != std::string_view::npos;
        stem.push_back(bad ? '_' : char(c));
    }
    dropTrailingDotsAndSpaces(stem);
    if (stem.empty()) return kBlank;
    if (isDeviceName(stem)) stem.insert(std::min(stem.find('.'), stem.size()), "_");
    return stem;
}

std::string validSheetName(const std::string& value) {
    return engine::cleanSheetName(value, kBlank);
}

PartNames::PartNames(Kind kind, std::string extension) : m_kind(kind), m_extension(std::move(extension)) {}

std::string PartNames::key(const std::string& name) const {
    std::string k = name;
    std::transform(k.begin(), k.end(), k.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return k;
}

void PartNames::reserve(const std::string& name) {
    m_taken.insert(key(name));
}

void PartNames::reserveFolder(const std::string& folder) {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        reserve(it->path().filename().string());
}

std::string PartNames::cleaned(const std::string& value) const {
    return m_kind == Kind::File ? validFileStem(value) : validSheetName(value);
}

// The base cut so that base and suffix (and, for files, the extension) fit the name's limit.
std::string PartNames::fitted(const std::string& base, const std::string& suffix) const {
    if (m_kind == Kind::Sheet) return engine::utf8Prefix(base, kMaxSheetNameChars - suffix.size()) + suffix;
    const size_t room = kMaxFileNameBytes - suffix.size() - (m_extension.empty() ? 0 : m_extension.size() + 1);
    std::string stem = utf8BytePrefix(base, room);
    // Cutting may leave a dot or space at the end again, which the file system would not keep.
    if (suffix.empty()) dropTrailingDotsAndSpaces(stem);
    if (stem.empty()) stem = kBlank;
    return stem + suffix;
}

PartName PartNames::next(const std::string& value) {
    const std::string base = fitted(cleaned(value), "");
    std::string name = base;
    for (int n = 2; m_taken.count(key(m_kind == Kind::File ? name + "." + m_extension : name)) != 0; ++n)
        name = fitted(base, " (" + std::to_string(n) + ")");
    m_taken.insert(key(m_kind == Kind::File ? name + "." + m_extension : name));
    PartName result{name, {}};
    const char* what = m_kind == Kind::File ? "文件名" : "工作表名";
    if (value.empty())
        result.note = std::string("拆分条件为空的行归入“") + name + "”";
    else if (base != value)
        result.note = "“" + value + "”不能直接用作" + what + "，改为“" + name + "”";
    else if (name != value)
        result.note = "“" + value + "”与前面的" + what + "重名，改为“" + name + "”";
    return result;
}

} // namespace tabrix::split
