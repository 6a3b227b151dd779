#pragma once

#include "engine/xlsx/ExpatParser.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tabrix::engine::xlsx {

/// A UTF-8 XML tokenizer for the parts that can be hundreds of megabytes (worksheets, shared strings). On this
/// kind of markup expat runs at about 140 MB/s, which alone would spend three seconds on a million-row sheet;
/// this one checks the same well-formedness rules that matter here (tags nest and match, attributes are
/// quoted and unique, entities and character references are the predefined ones, UTF-8 is valid, control
/// characters are refused, one root element) at several times the speed, and reports errors in expat's
/// words, so that xmlErrorMessage words them as it does expat's. Documents it does not handle itself, those
/// with a DTD or a declared encoding other than UTF-8, are handed to expat whole, so DTD rules stay expat's.
class FastXmlParser {
public:
    FastXmlParser(XmlHandler& handler, std::string where);
    ~FastXmlParser();
    FastXmlParser(const FastXmlParser&) = delete;
    FastXmlParser& operator=(const FastXmlParser&) = delete;

    /// Throws EngineError naming the file, part and line when the XML is malformed or the handler failed.
    void feed(std::string_view data, bool final);

private:
    struct Syntax {
        const char* message;
        uint64_t line;
    };
    void feedHere(std::string_view data, bool final);
    size_t parse(const char* begin, const char* end, bool final);
    const char* text(const char* p, const char* end, bool final);
    const char* startTag(const char* p, const char* end);
    const char* endTag(const char* p, const char* end);
    const char* special(const char* p, const char* end, bool final);
    const char* attribute(const char* p, const char* end);
    void decodeInto(std::string& out, const char* p, const char* end, bool attribute);
    const char* instruction(const char* p, const char* end);
    static bool plainDeclaration(std::string_view decl);
    void switchToExpat(bool final);
    void finishDocument();
    [[noreturn]] void fail(const char* at, const char* message);

    XmlHandler& m_handler;
    std::string m_where;
    ElementFilter m_filter;
    std::unique_ptr<ExpatParser> m_expat; ///< set once the document is handed to expat

    std::string m_carry;  ///< an unfinished token from the end of the previous chunk
    std::string m_prolog; ///< bytes before the root element, kept in case the document goes to expat
    bool m_inProlog = true;
    bool m_fallback = false;
    bool m_rootClosed = false;
    uint64_t m_lines = 1;               ///< line number at the start of the buffer being parsed
    uint64_t m_consumed = 0;            ///< bytes of the document before the buffer being parsed
    const char* m_bufferStart = nullptr; ///< for line numbers in errors

    std::string m_names;          ///< names of the open elements, one after another
    std::vector<uint32_t> m_nameStarts;
    std::string m_attrData;       ///< attribute names and values of the current start tag, NUL-terminated
    std::vector<uint32_t> m_attrOffsets;
    std::vector<const char*> m_attrs;
    std::string m_decoded;        ///< text with references or CR/LF decoded
};

} // namespace tabrix::engine::xlsx
