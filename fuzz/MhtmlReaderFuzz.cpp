// libFuzzer target for the single-file web page reader: the MIME parts, their encodings and the sheet list.
#include "TextReaderFuzz.h"

#include "engine/text/MhtmlReader.h"

using namespace tabrix::engine;

namespace {
std::unique_ptr<BookData> read(std::string_view bytes) {
    (void)text::looksLikeMhtml(bytes.substr(0, 64 * 1024));
    return text::readMhtml(bytes, "fuzz.xls");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzTextReader(read, data, size);
}
