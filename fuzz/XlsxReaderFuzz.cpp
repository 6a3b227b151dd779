// Opens the input as an xlsx package from memory and reads every sheet. Any EngineError is an accepted
// outcome; crashes, sanitizer reports, leaks, hangs and runaway memory are not.
#include "engine/EngineError.h"
#include "engine/xlsx/read/XlsxReader.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tabrix::engine;
    try {
        auto book = xlsx::readXlsxBuffer(std::string(reinterpret_cast<const char*>(data), size), "fuzz.xlsx");
        for (auto& sheet : book->sheets) {
            try {
                sheet->ensureLoaded();
                sheet->usedRect();
            } catch (const EngineError&) {
            }
        }
    } catch (const EngineError&) {
    }
    return 0;
}
