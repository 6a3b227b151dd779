// libFuzzer target for the CSV/TSV reader, through the whole recognition a text file goes through when opened
// (encoding, markup sniffing, delimiter), so the dispatch between the text readers is covered too.
#include "TextReaderFuzz.h"

#include "engine/object/TextContent.h"

using namespace tabrix::engine;

namespace {
std::unique_ptr<BookData> read(std::string_view bytes) {
    return readTextTableBytes(bytes, "fuzz.csv");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzTextReader(read, data, size);
}
