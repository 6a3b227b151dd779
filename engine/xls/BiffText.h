#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace tabrix::engine::xls {

/// Appends UTF-16LE code units as UTF-8; a lone surrogate becomes U+FFFD.
void appendUtf16(std::string& out, std::span<const uint8_t> bytes);
/// Appends "compressed" BIFF8 characters (the low bytes of UTF-16, i.e. Latin-1) as UTF-8.
void appendLatin1(std::string& out, std::span<const uint8_t> bytes);

/// Converts the 8-bit strings of a BIFF5/7 file from the code page its CODEPAGE record names to UTF-8.
class CodePage {
public:
    explicit CodePage(uint16_t codePage = 1252);
    ~CodePage();
    CodePage(CodePage&&) noexcept;
    CodePage& operator=(CodePage&&) noexcept;

    uint16_t number() const { return m_number; }
    std::string toUtf8(std::span<const uint8_t> bytes) const;

    /// iconv name of a Windows/Mac code page number; empty for one iconv has no name for here.
    static std::string iconvName(uint16_t codePage);

private:
    struct Converter;
    uint16_t m_number = 1252;
    std::unique_ptr<Converter> m_converter;
};

} // namespace tabrix::engine::xls
