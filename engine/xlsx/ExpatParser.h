#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

struct XML_ParserStruct;

namespace tabrix::engine::xlsx {

/// Receives the elements of one part by local name. A handler reports bad content by throwing EngineError
/// with a message relative to the part ("单元格 B3: ..."); the parser adds the file and part.
class XmlHandler {
public:
    virtual ~XmlHandler() = default;
    virtual void startElement(std::string_view name, const char** atts) = 0;
    virtual void endElement(std::string_view name) = 0;
    virtual void characters(const char* /*text*/, int /*len*/) {}
};

/// Which elements reach a handler. The content of markup-compatibility Choice branches is skipped and their
/// Fallback read, since a Choice holds extensions we do not know; the wrapper elements themselves are dropped.
class ElementFilter {
public:
    bool enter(std::string_view local) {
        if (m_skipDepth > 0) return ++m_skipDepth, false;
        if (local == "Choice") return m_skipDepth = 1, false;
        return local != "AlternateContent" && local != "Fallback";
    }
    bool leave(std::string_view local) {
        if (m_skipDepth > 0) return --m_skipDepth, false;
        return local != "AlternateContent" && local != "Fallback";
    }
    bool skipping() const { return m_skipDepth > 0; }

private:
    int m_skipDepth = 0;
};

/// One expat parser over one part, fed in chunks. Entity declarations are refused outright (no part of a
/// workbook needs them and they are how entity bombs start).
class ExpatParser {
public:
    ExpatParser(XmlHandler& handler, std::string where);
    ~ExpatParser();
    ExpatParser(const ExpatParser&) = delete;
    ExpatParser& operator=(const ExpatParser&) = delete;

    /// Throws EngineError naming the file, part and line when the XML is malformed or the handler failed.
    void feed(std::string_view data, bool final);

private:
    static void onStart(void* self, const char* name, const char** atts);
    static void onEnd(void* self, const char* name);
    static void onText(void* self, const char* text, int len);
    static void onEntityDecl(void* self, const char*, int, const char*, int, const char*, const char*, const char*,
                             const char*);
    void stop(std::exception_ptr error);
    [[noreturn]] void raise();

    XML_ParserStruct* m_parser;
    XmlHandler& m_handler;
    std::string m_where;
    std::exception_ptr m_error;
    ElementFilter m_filter;
};

/// The message for malformed XML at a line of the part named by where. expat's description of the error (which
/// the fast tokenizer reuses) is put into Chinese when it is one a damaged workbook part can cause.
std::string xmlErrorMessage(const std::string& where, uint64_t line, std::string_view expatText);

/// Parses a whole part held in memory.
void parseXml(XmlHandler& handler, std::string_view data, const std::string& where);

} // namespace tabrix::engine::xlsx
