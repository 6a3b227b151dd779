// libFuzzer target for the 2003 XML spreadsheet reader: a whole document, its encoding found as when a file is
// opened.
#include "TextReaderFuzz.h"

#include "engine/ssml/SpreadsheetMlReader.h"
#include "engine/text/TextEncoding.h"

using namespace tabrix::engine;

namespace {
std::unique_ptr<BookData> read(std::string_view bytes) {
    auto decoded = text::decodeText(bytes, ssml::declaredXmlEncoding(bytes.substr(0, 4096)));
    return ssml::readSpreadsheetMl(decoded.utf8, "fuzz.xml");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzTextReader(read, data, size);
}
