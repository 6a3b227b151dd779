// Times the xlsx writer on the merge benchmark's output shape (100,000 rows x 10 columns: keys, Chinese
// texts, integers, 2-decimal prices, dates), three times. Prints wall and CPU seconds (CPU time is the steadier
// figure on a busy machine); the targets live in the harness.
//
//     xlsx_write_bench [ROWS] [OUT_DIR]
#include "engine/model/BookData.h"
#include "engine/xlsx/write/XlsxWriter.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

using namespace tabrix::engine;

namespace {

constexpr uint32_t kCols = 10;
const char* kRegions[] = {"北京", "上海", "广州", "深圳", "杭州", "南京", "成都", "武汉", "西安", "重庆"};

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto sec = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return sec(usage.ru_utime) + sec(usage.ru_stime);
}

/// Runs f, printing its wall and CPU time under name.
template <typename F> void timed(const char* name, F&& f) {
    double cpu = cpuSeconds();
    auto start = std::chrono::steady_clock::now();
    f();
    std::printf("%-32s wall %.3f s  cpu %.3f s\n", name, seconds(start), cpuSeconds() - cpu);
}

/// One row's value in column c, the same for every writer: text (keys, regions, names, notes) or a number.
struct Value {
    bool isText;
    std::string text;
    double number;
};

Value valueAt(std::mt19937& rng, uint32_t r, uint32_t c) {
    switch (c) {
    case 0: return {true, "K" + std::to_string(10000000 + r), 0};
    case 1: return {true, kRegions[rng() % 10], 0};
    case 6: return {true, std::string("张三") + std::to_string(rng() % 1000), 0};
    case 7: return {true, rng() % 10 < 3 ? "" : "备注 note " + std::to_string(rng() % 100), 0};
    case 2: return {false, "", double(1 + rng() % 1000)};
    case 5: return {false, "", double(42005 + rng() % 3650)};
    default: return {false, "", double(rng() % 100000) / 100};
    }
}

void fillBook(BookData& book, uint32_t rows) {
    book.sheets.push_back(std::make_unique<SheetData>());
    SheetData& s = *book.sheets.back();
    s.name = "合并";
    Style date;
    date.numFmt = "yyyy-mm-dd";
    uint32_t dateStyle = book.styles.intern(date);
    std::mt19937 rng(1);
    for (uint32_t r = 0; r < rows; ++r) {
        for (uint32_t c = 0; c < kCols; ++c) {
            Value v = valueAt(rng, r, c);
            if (v.isText && v.text.empty()) continue;
            Cell& cell = s.at(r, c);
            if (v.isText) {
                cell.type = CellType::Text;
                cell.text = book.strings.append(v.text);
            } else {
                cell.type = CellType::Number;
                cell.number = v.number;
                if (c == 5) cell.style = dateStyle;
            }
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    uint32_t rows = argc > 1 ? static_cast<uint32_t>(std::atoi(argv[1])) : 100000;
    std::string dir = argc > 2 ? argv[2] : "/tmp";
    BookData book;
    std::printf("%u rows x %u columns\n", rows, kCols);
    timed("build the model", [&] { fillBook(book, rows); });
    for (int run = 0; run < 3; ++run) {
        std::vector<std::string> warnings;
        timed("tabrix writeXlsx", [&] { xlsx::writeXlsx(book, dir + "/bench-tabrix.xlsx", warnings); });
    }
    return 0;
}
