// Shared body of the text readers' libFuzzer targets: decode, read, then load and measure every sheet as opening
// the workbook eventually does. A reader may refuse its input only with the engine's error.
#pragma once

#include "engine/EngineError.h"
#include "engine/model/BookData.h"

#include <memory>

inline int fuzzTextReader(std::unique_ptr<tabrix::engine::BookData> (*read)(std::string_view), const uint8_t* data,
                          size_t size) {
    try {
        auto book = read(std::string_view(reinterpret_cast<const char*>(data), size));
        for (auto& sheet : book->sheets) {
            sheet->ensureLoaded();
            (void)sheet->usedRect();
            for (const auto& rect : sheet->merged)
                if (rect.lastRow < rect.firstRow || rect.lastCol < rect.firstCol) __builtin_trap();
        }
    } catch (const tabrix::engine::EngineError&) {
    }
    return 0;
}
