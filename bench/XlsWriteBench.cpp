// Times the 2003-format writer alone on two shapes: the convert benchmark's folder (50 workbooks of 2 sheets x
// 2,000 rows x 10 columns) and 100,000 rows x 10 columns, which the format can only hold as two sheets of 50,000
// rows. Values follow the benchmark workloads: keys, Chinese texts, integers, 2-decimal amounts, dates. Prints
// wall and CPU seconds; the targets live in the harness.
//
//     xls_write_bench [OUT_DIR]
#include "engine/model/BookData.h"
#include "engine/xls/XlsWriter.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

using namespace tabrix::engine;

namespace {

constexpr uint32_t kCols = 10;
const char* kRegions[] = {"北京", "上海", "广州", "深圳", "杭州", "南京", "成都", "武汉", "西安", "重庆"};

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto sec = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return sec(usage.ru_utime) + sec(usage.ru_stime);
}

template <typename F> void timed(const char* name, F&& f) {
    double cpu = cpuSeconds();
    auto start = std::chrono::steady_clock::now();
    f();
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%-44s wall %.3f s  cpu %.3f s\n", name, wall, cpuSeconds() - cpu);
}

void fillSheet(BookData& book, const std::string& name, uint32_t rows, uint32_t dateStyle, std::mt19937& rng) {
    book.sheets.push_back(std::make_unique<SheetData>());
    SheetData& s = *book.sheets.back();
    s.name = name;
    for (uint32_t r = 0; r < rows; ++r) {
        for (uint32_t c = 0; c < kCols; ++c) {
            Cell& cell = s.at(r, c);
            switch (c) {
            case 0:
                cell.type = CellType::Text, cell.text = book.strings.append("K" + std::to_string(10000000 + r));
                break;
            case 1:
                cell.type = CellType::Text, cell.text = book.strings.intern(kRegions[rng() % 10]);
                break;
            case 6:
                cell.type = CellType::Text, cell.text = book.strings.append("张三" + std::to_string(rng() % 1000));
                break;
            case 2:
                cell.type = CellType::Number, cell.number = double(1 + rng() % 1000);
                break;
            case 5:
                cell.type = CellType::Number, cell.number = double(42005 + rng() % 3650), cell.style = dateStyle;
                break;
            default:
                cell.type = CellType::Number, cell.number = double(rng() % 1000000) / 100;
                break;
            }
        }
    }
}

std::unique_ptr<BookData> makeBook(uint32_t sheets, uint32_t rows) {
    auto book = std::make_unique<BookData>();
    Style date;
    date.numFmt = "yyyy-mm-dd";
    uint32_t dateStyle = book->styles.intern(date);
    std::mt19937 rng(1);
    for (uint32_t i = 0; i < sheets; ++i)
        fillSheet(*book, "Sheet" + std::to_string(i + 1), rows, dateStyle, rng);
    return book;
}

} // namespace

int main(int argc, char** argv) {
    std::filesystem::path out = argc > 1 ? argv[1] : std::filesystem::temp_directory_path() / "xls_write_bench";
    std::filesystem::create_directories(out);
    std::vector<std::unique_ptr<BookData>> folder;
    for (int i = 0; i < 50; ++i)
        folder.push_back(makeBook(2, 2000));
    auto big = makeBook(2, 50000);
    std::vector<std::string> warnings;
    timed("50 books x 2 sheets x 2,000 rows x 10 cols", [&] {
        for (size_t i = 0; i < folder.size(); ++i)
            xls::writeXls(*folder[i], (out / ("book_" + std::to_string(i) + ".xls")).string(), warnings);
    });
    timed("100,000 rows x 10 cols (2 sheets of 50,000)",
          [&] { xls::writeXls(*big, (out / "big.xls").string(), warnings); });
    std::printf("files in %s\n", out.c_str());
    return 0;
}
