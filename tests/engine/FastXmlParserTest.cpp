// The fast tokenizer must see every document as expat does: the same events for well-formed XML, an error
// for malformed XML, whichever way the bytes are cut into chunks.
#include "engine/EngineError.h"
#include "engine/xlsx/ExpatParser.h"
#include "engine/xlsx/FastXmlParser.h"

#include <gtest/gtest.h>

using namespace tabrix::engine;
using namespace tabrix::engine::xlsx;

namespace {

class Recorder : public XmlHandler {
public:
    std::string log;
    void startElement(std::string_view name, const char** atts) override {
        log += "<" + std::string(name);
        for (; *atts; atts += 2) log += std::string(" ") + atts[0] + "=" + atts[1];
        log += ">";
    }
    void endElement(std::string_view name) override { log += "</" + std::string(name) + ">"; }
    void characters(const char* text, int len) override {
        // Adjacent runs are one text: the two parsers cut text differently.
        if (!log.empty() && log.back() == ']') log.pop_back();
        else log += "[";
        log.append(text, size_t(len)) += "]";
    }
};

std::string viaExpat(std::string_view xml) {
    Recorder r;
    try {
        parseXml(r, xml, "part");
    } catch (const EngineError& e) {
        return std::string("error: ") + e.what();
    }
    return r.log;
}

std::string viaFast(std::string_view xml, size_t chunk) {
    Recorder r;
    try {
        FastXmlParser parser(r, "part");
        for (size_t pos = 0; pos < xml.size(); pos += chunk) parser.feed(xml.substr(pos, chunk), false);
        parser.feed({}, true);
    } catch (const EngineError& e) {
        return std::string("error: ") + e.what();
    }
    return r.log;
}

const char* kDocuments[] = {
    "<a x='1' y=\"&lt;&#65;&#x42;&amp;\">t&gt;&quot;&apos;<b/>\n<c:d e:f=\"\"></c:d></a>",
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<a>line\r\nbreak\rcr</a>",
    "<a v=\"tab\tline\nret\r\nend\">x</a>",
    "<!-- lead --><?pi data?><a><![CDATA[<raw> & ]]]]><![CDATA[>]]><!--in--></a><!--tail-->\n",
    "<a>中文 text \xF0\x9F\x98\x80</a>",
    "<a><AlternateContent><Choice Requires=\"x\"><b/>skip</Choice><Fallback><c/></Fallback></AlternateContent></a>",
    "\xEF\xBB\xBF<a>bom</a>",
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\xE9t\xE9</a>",
    "<!DOCTYPE a><a>doctype without entities</a>",
    "<a b=\"1\" b=\"2\"/>",
    "<a><b></a></b>",
    "<a></a><b/>",
    "<a></a>junk",
    "<a>]]></a>",
    "<a>&unknown;</a>",
    "<a>&#0;</a>",
    "<a>&#xD800;</a>",
    "<a>&amp</a>",
    "<a b=1/>",
    "<a b=\"<\"/>",
    "<a\x01/>",
    "<a>\x01</a>",
    "<a>\xC3</a>",
    "<a>\xED\xA0\x80</a>",
    "<a>\xEF\xBF\xBE</a>",
    "<a><!-- a -- b --></a>",
    "<a><?xml version=\"1.0\"?></a>",
    "<a>",
    "",
    "   ",
    "<a/><!--",
    "<a b=\"1\"c=\"2\"/>",
};

} // namespace

TEST(FastXmlParser, AgreesWithExpatWhateverTheChunking) {
    for (const char* doc : kDocuments) {
        std::string expected = viaExpat(doc);
        bool expatFailed = expected.rfind("error: ", 0) == 0;
        for (size_t chunk : {size_t(1), size_t(2), size_t(3), size_t(7), size_t(4096)}) {
            std::string got = viaFast(doc, chunk);
            if (expatFailed)
                EXPECT_EQ(got.rfind("error: part: ", 0), 0u) << "document: " << doc << "\nchunk " << chunk;
            else
                EXPECT_EQ(got, expected) << "document: " << doc << "\nchunk " << chunk;
        }
    }
}

// Every error either parser gives for the malformed documents above is worded in Chinese, expat's included.
TEST(FastXmlParser, SyntaxErrorsAreWordedInChinese) {
    auto english = [](const std::string& message) {
        size_t at = message.find("行：");
        if (at == std::string::npos) return message;
        std::string detail = message.substr(at);
        int run = 0;
        for (char c : detail) {
            run = (c >= 'a' && c <= 'z') ? run + 1 : 0;
            if (run >= 3) return message;
        }
        return std::string();
    };
    int errors = 0;
    for (const char* doc : kDocuments) {
        std::string expat = viaExpat(doc);
        if (expat.rfind("error: ", 0) != 0) continue;
        ++errors;
        EXPECT_EQ(expat.rfind("error: part: XML 错误，第 ", 0), 0u) << expat;
        EXPECT_EQ(english(expat), "") << "document: " << doc;
        for (size_t chunk : {size_t(1), size_t(4096)}) {
            std::string fast = viaFast(doc, chunk);
            EXPECT_EQ(fast.rfind("error: part: XML 错误，第 ", 0), 0u) << fast;
            EXPECT_EQ(english(fast), "") << "document: " << doc << "\nchunk " << chunk;
        }
    }
    EXPECT_GT(errors, 10);
    EXPECT_EQ(xmlErrorMessage("part", 2, "some new expat text"), "part: XML 错误，第 2 行：some new expat text");
}

TEST(FastXmlParser, ErrorsNameTheLineAsExpatDoes) {
    const std::string doc = "<a>\n<b>\n</c>\n</a>";
    EXPECT_EQ(viaFast(doc, 4096), "error: part: XML 错误，第 3 行：标签不匹配");
    EXPECT_EQ(viaFast(doc, 1), viaExpat(doc));
    EXPECT_EQ(viaFast("<a>\n\n&nope;</a>", 2), "error: part: XML 错误，第 3 行：未定义的实体");
}

TEST(FastXmlParser, HandlerErrorsAreReportedWithThePart) {
    class Refuser : public XmlHandler {
    public:
        void startElement(std::string_view name, const char**) override {
            if (name == "bad") throw EngineError("单元格 A1: 拒绝");
        }
        void endElement(std::string_view) override {}
    } refuser;
    FastXmlParser parser(refuser, "book.xlsx: xl/worksheets/sheet1.xml");
    try {
        parser.feed("<a><bad/></a>", true);
        FAIL();
    } catch (const EngineError& e) {
        EXPECT_STREQ(e.what(), "book.xlsx: xl/worksheets/sheet1.xml: 单元格 A1: 拒绝");
    }
}
