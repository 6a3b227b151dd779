// Times the workbook readers (xlsx or 2003 format, chosen by content): opening a workbook (sheet list, styles) and reading every sheet's cells, apart from
// any output. Prints seconds per file; the targets live in the harness.
//
//     ReadBench FILE.xlsx|FILE.xls...
#include "engine/EngineError.h"
#include "engine/object/WorkbookFiles.h"

#include <chrono>
#include <cstdio>
#include <malloc.h>

using namespace tabrix::engine;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: ReadBench FILE.xlsx|FILE.xls...\n");
        return 2;
    }
    // The allocator settings the program itself runs with (cli/main.cpp, app/main.cpp).
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    for (int i = 1; i < argc; ++i) {
        auto start = std::chrono::steady_clock::now();
        try {
            auto book = readWorkbookFile(argv[i]);
            auto opened = std::chrono::steady_clock::now();
            size_t cells = 0;
            for (auto& sheet : book->sheets) {
                sheet->ensureLoaded();
                for (const auto& row : sheet->rows()) cells += row.cells.size();
            }
            auto loaded = std::chrono::steady_clock::now();
            std::printf("%s\topen %.4f s\tread %.3f s\t%zu cells\n", argv[i],
                        std::chrono::duration<double>(opened - start).count(),
                        std::chrono::duration<double>(loaded - opened).count(), cells);
        } catch (const EngineError& e) {
            std::printf("%s\terror: %s\n", argv[i], e.what());
            return 1;
        }
    }
    return 0;
}
