#include "engine/xls/BiffText.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

namespace tabrix::engine::xls {

namespace {
void appendCodePoint(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(char(cp));
    } else if (cp < 0x800) {
        out.push_back(char(0xC0 | (cp >> 6)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(char(0xE0 | (cp >> 12)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(char(0xF0 | (cp >> 18)));
        out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    }
}

constexpr uint32_t kReplacement = 0xFFFD;
} // namespace

void appendUtf16(std::string& out, std::span<const uint8_t> bytes) {
    size_t units = bytes.size() / 2;
    out.reserve(out.size() + units);
    for (size_t i = 0; i < units; ++i) {
        uint32_t u = uint32_t(bytes[2 * i]) | uint32_t(bytes[2 * i + 1]) << 8;
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < units) {
            uint32_t low = uint32_t(bytes[2 * i + 2]) | uint32_t(bytes[2 * i + 3]) << 8;
            if (low >= 0xDC00 && low < 0xE000) {
                appendCodePoint(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        appendCodePoint(out, u >= 0xD800 && u < 0xE000 ? kReplacement : u);
    }
}

void appendLatin1(std::string& out, std::span<const uint8_t> bytes) {
    out.reserve(out.size() + bytes.size());
    for (uint8_t b : bytes) appendCodePoint(out, b);
}

struct CodePage::Converter {
    iconv_t cd = iconv_t(-1);
    ~Converter() {
        if (cd != iconv_t(-1)) iconv_close(cd);
    }
};

std::string CodePage::iconvName(uint16_t codePage) {
    switch (codePage) {
    case 367: return "ASCII";
    case 932: return "CP932";
    case 936: return "CP936";
    case 949: return "CP949";
    case 950: return "CP950";
    case 1200: return "UTF-16LE";
    case 1361: return "JOHAB";
    case 10000:
    case 32768: return "MACINTOSH";
    case 10001: return "SHIFT_JIS";
    case 10006: return "MAC-GREEK";
    case 10007: return "MAC-CYRILLIC";
    case 10029: return "MAC-CENTRALEUROPE";
    case 10079: return "MAC-IS";
    case 10081: return "MAC-TURKISH";
    case 32769: return "CP1252"; // the BIFF2-4 number for Windows ANSI, still met in old BIFF5 files
    default: break;
    }
    if ((codePage >= 437 && codePage <= 874) || (codePage >= 1250 && codePage <= 1258))
        return "CP" + std::to_string(codePage);
    return {};
}

CodePage::CodePage(uint16_t codePage) : m_number(codePage), m_converter(std::make_unique<Converter>()) {
    // An 8-bit string cannot be UTF-16, whatever the record says (writers that claim 1200 in a BIFF5 file
    // still write single bytes), and an unknown page is read as Windows ANSI, as Excel does.
    std::string name = codePage == 1200 ? std::string() : iconvName(codePage);
    if (!name.empty()) m_converter->cd = iconv_open("UTF-8", name.c_str());
    if (m_converter->cd == iconv_t(-1)) {
        m_number = 1252;
        m_converter->cd = iconv_open("UTF-8", "CP1252");
    }
}

CodePage::~CodePage() = default;
CodePage::CodePage(CodePage&&) noexcept = default;
CodePage& CodePage::operator=(CodePage&&) noexcept = default;

std::string CodePage::toUtf8(std::span<const uint8_t> bytes) const {
    std::string out;
    if (std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b < 0x80; })) {
        out.assign(bytes.begin(), bytes.end());
        return out;
    }
    if (m_converter->cd == iconv_t(-1)) {
        appendLatin1(out, bytes);
        return out;
    }
    iconv(m_converter->cd, nullptr, nullptr, nullptr, nullptr);
    out.resize(bytes.size() * 4 + 8);
    char* in = reinterpret_cast<char*>(const_cast<uint8_t*>(bytes.data()));
    size_t inLeft = bytes.size();
    char* dst = out.data();
    size_t outLeft = out.size();
    while (inLeft > 0) {
        if (iconv(m_converter->cd, &in, &inLeft, &dst, &outLeft) != size_t(-1)) break;
        if (errno == E2BIG) break; // cannot happen: four bytes out per byte in is enough for every page here
        // A byte the page does not define (or a lead byte cut off at the end) becomes U+FFFD.
        if (outLeft < 3) break;
        *dst++ = char(0xEF), *dst++ = char(0xBF), *dst++ = char(0xBD);
        outLeft -= 3;
        ++in, --inLeft;
        iconv(m_converter->cd, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(size_t(dst - out.data()));
    return out;
}

} // namespace tabrix::engine::xls
