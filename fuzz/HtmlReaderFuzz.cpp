// libFuzzer target for the HTML table reader: a whole page, its charset found as when a file is opened.
#include "TextReaderFuzz.h"

#include "engine/text/HtmlReader.h"
#include "engine/text/TextEncoding.h"

using namespace tabrix::engine;

namespace {
std::unique_ptr<BookData> read(std::string_view bytes) {
    auto decoded = text::decodeText(bytes, text::declaredHtmlCharset(bytes.substr(0, 16 * 1024)));
    return text::readHtml(decoded.utf8, "fuzz.xls");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzTextReader(read, data, size);
}
