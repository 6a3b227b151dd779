// libFuzzer target for the 2003-format reader: the input is a whole file (an OLE2 container or a bare BIFF
// stream, which the reader also accepts, so mutations reach the records without having to keep the container
// intact). Every sheet is loaded, as opening a workbook in the application eventually does.
#include "engine/EngineError.h"
#include "engine/xls/XlsReader.h"

#include <cstddef>
#include <cstdint>

using namespace tabrix::engine;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        auto book = xls::readXlsBytes({data, size}, "fuzz.xls");
        for (auto& sheet : book->sheets) {
            try {
                sheet->ensureLoaded();
                (void)sheet->usedRect();
            } catch (const EngineError&) {
            }
        }
    } catch (const EngineError&) {
    }
    return 0;
}
