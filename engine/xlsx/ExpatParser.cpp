#include "engine/xlsx/ExpatParser.h"

#include "engine/EngineError.h"
#include "engine/xlsx/XmlText.h"

#include <expat.h>

#include <cstdint>
#include <new>

namespace tabrix::engine::xlsx {

namespace {
// Thrown through our own frames only: expat is C and must never be unwound through.
struct EntityRefused {};

constexpr const char* kEntityMessage = "工作簿的部件中不允许有 DTD 实体声明";

struct XmlErrorText {
    std::string_view expat;
    std::string_view chinese;
};
constexpr XmlErrorText kXmlErrors[] = {
    {"out of memory", "内存不足"},
    {"syntax error", "语法错误"},
    {"no element found", "没有找到任何元素"},
    {"not well-formed (invalid token)", "格式不正确（无效的标记）"},
    {"unclosed token", "标记没有结束"},
    {"partial character", "字符不完整"},
    {"mismatched tag", "标签不匹配"},
    {"duplicate attribute", "属性重复"},
    {"junk after document element", "根元素之后还有多余的内容"},
    {"undefined entity", "未定义的实体"},
    {"recursive entity reference", "实体递归引用"},
    {"reference to invalid character number", "引用了无效的字符编号"},
    {"reference to binary entity", "引用了二进制实体"},
    {"reference to external entity in attribute", "属性中引用了外部实体"},
    {"XML or text declaration not at start of entity", "XML 声明或文本声明不在开头"},
    {"unknown encoding", "未知的编码"},
    {"encoding specified in XML declaration is incorrect", "XML 声明中指定的编码不正确"},
    {"unclosed CDATA section", "CDATA 段没有结束"},
    {"XML declaration not well-formed", "XML 声明的格式不正确"},
    {"text declaration not well-formed", "文本声明的格式不正确"},
    {"unbound prefix", "命名空间前缀未声明"},
    {"illegal character(s) in public id", "公共标识符中有非法字符"},
};
} // namespace

std::string xmlErrorMessage(const std::string& where, uint64_t line, std::string_view expatText) {
    std::string_view text = expatText;
    for (const auto& e : kXmlErrors)
        if (e.expat == expatText) text = e.chinese;
    return where + ": XML 错误，第 " + std::to_string(line) + " 行：" + std::string(text);
}

ExpatParser::ExpatParser(XmlHandler& handler, std::string where)
    : m_parser(XML_ParserCreate(nullptr)), m_handler(handler), m_where(std::move(where)) {
    if (!m_parser) throw std::bad_alloc();
    XML_SetUserData(m_parser, this);
    XML_SetElementHandler(m_parser, &ExpatParser::onStart, &ExpatParser::onEnd);
    XML_SetCharacterDataHandler(m_parser, &ExpatParser::onText);
    XML_SetEntityDeclHandler(m_parser, &ExpatParser::onEntityDecl);
    XML_SetParamEntityParsing(m_parser, XML_PARAM_ENTITY_PARSING_NEVER);
}

ExpatParser::~ExpatParser() { XML_ParserFree(m_parser); }

void ExpatParser::stop(std::exception_ptr error) {
    if (!m_error) m_error = std::move(error);
    XML_StopParser(m_parser, XML_FALSE);
}

void ExpatParser::onStart(void* self, const char* name, const char** atts) {
    auto* p = static_cast<ExpatParser*>(self);
    std::string_view local = localName(name);
    if (!p->m_filter.enter(local)) return;
    try {
        p->m_handler.startElement(local, atts);
    } catch (...) {
        p->stop(std::current_exception());
    }
}

void ExpatParser::onEnd(void* self, const char* name) {
    auto* p = static_cast<ExpatParser*>(self);
    std::string_view local = localName(name);
    if (!p->m_filter.leave(local)) return;
    try {
        p->m_handler.endElement(local);
    } catch (...) {
        p->stop(std::current_exception());
    }
}

void ExpatParser::onText(void* self, const char* text, int len) {
    auto* p = static_cast<ExpatParser*>(self);
    if (p->m_filter.skipping()) return;
    try {
        p->m_handler.characters(text, len);
    } catch (...) {
        p->stop(std::current_exception());
    }
}

void ExpatParser::onEntityDecl(void* self, const char*, int, const char*, int, const char*, const char*, const char*,
                               const char*) {
    auto* p = static_cast<ExpatParser*>(self);
    p->stop(std::make_exception_ptr(EntityRefused{}));
}

void ExpatParser::raise() {
    if (m_error) {
        try {
            std::rethrow_exception(m_error);
        } catch (const EntityRefused&) {
            throw EngineError(m_where + ": " + kEntityMessage);
        } catch (const EngineError& e) {
            throw EngineError(m_where + ": " + e.what());
        }
    }
#ifdef TABRIX_EXPAT_HAS_64BIT_POSITIONS
    const uint64_t line = XML_GetCurrentLineNumber64(m_parser);
#else
    // Older expat has only the XML_Size call, which later releases deprecate in favour of the one above.
    const uint64_t line = XML_GetCurrentLineNumber(m_parser);
#endif
    throw EngineError(xmlErrorMessage(m_where, line, XML_ErrorString(XML_GetErrorCode(m_parser))));
}

void ExpatParser::feed(std::string_view data, bool final) {
    // expat takes int lengths; chunks here are at most a few MiB, but a caller may hand over a whole part.
    constexpr size_t kStep = size_t(1) << 30;
    do {
        size_t n = data.size() < kStep ? data.size() : kStep;
        bool last = final && n == data.size();
        if (XML_Parse(m_parser, data.data(), static_cast<int>(n), last) != XML_STATUS_OK || m_error) raise();
        data.remove_prefix(n);
    } while (!data.empty());
}

void parseXml(XmlHandler& handler, std::string_view data, const std::string& where) {
    ExpatParser parser(handler, where);
    parser.feed(data, true);
}

} // namespace tabrix::engine::xlsx
