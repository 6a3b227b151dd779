#include "engine/xls/XlsWriterPlan.h"

#include "engine/EngineError.h"
#include "engine/xls/Biff8WriteText.h"
#include "engine/model/SaveMessages.h"

#include <algorithm>
#include <cctype>

namespace tabrix::engine::xls {

namespace {

constexpr uint32_t kMaxRows = 65536;
constexpr uint32_t kMaxCols = 256;
constexpr uint32_t kMaxSheetNameUnits = 31;

bool holdsSomething(const Cell& c) {
    return c.type != CellType::Empty || c.style != 0 || c.formula != 0;
}

// Only cells count: rows and columns that carry just a format beyond the limits are left out, as they show
// nothing.
void checkLimits(const SheetData& sheet) {
    uint32_t rows = 0, cols = 0;
    const auto& data = sheet.rows();
    for (uint32_t r = 0; r < data.size(); ++r) {
        const auto& cells = data[r].cells;
        auto last = std::find_if(cells.rbegin(), cells.rend(), holdsSomething);
        if (last == cells.rend()) continue;
        rows = r + 1;
        cols = std::max<uint32_t>(cols, last->col + 1u);
    }
    if (rows > kMaxRows)
        throw EngineError("工作表“" + sheet.name + "”有 " + std::to_string(rows) +
                          " 行，超出 2003 格式的 65536 行上限");
    if (cols > kMaxCols)
        throw EngineError("工作表“" + sheet.name + "”有 " + std::to_string(cols) + " 列，超出 2003 格式的 256 列上限");
}

// Some producers write tab names longer than the 31 characters the format allows; the file gets a shortened,
// still unique name. Formulas keep working: they refer to sheets by position, not by name.
std::string fileSheetName(const std::string& name, const BookData& book, const std::vector<Biff8SheetEntry>& taken) {
    auto units = [](std::string_view s) {
        std::string scratch;
        bool wide = false;
        return appendBiff8Chars(s, scratch, wide);
    };
    auto cut = [&](const std::string& s, uint32_t maxUnits) {
        size_t end = s.size();
        while (units(std::string_view(s).substr(0, end)) > maxUnits) {
            do
                --end;
            while (end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80);
        }
        return s.substr(0, end);
    };
    auto same = [](const std::string& a, const std::string& b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                          [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
    };
    auto used = [&](const std::string& candidate) {
        return std::any_of(taken.begin(), taken.end(),
                           [&](const Biff8SheetEntry& e) { return same(e.name, candidate); }) ||
               std::any_of(book.sheets.begin(), book.sheets.end(),
                           [&](const auto& sheet) { return same(sheet->name, candidate); });
    };
    if (units(name) <= kMaxSheetNameUnits) return name;
    std::string shortened = cut(name, kMaxSheetNameUnits);
    for (int n = 2; used(shortened); ++n) {
        std::string suffix = " (" + std::to_string(n) + ")";
        shortened = cut(name, kMaxSheetNameUnits - uint32_t(suffix.size())) + suffix;
    }
    return shortened;
}

std::string sheetKindNote(const SheetData& sheet) {
    return "工作表“" + sheet.name + "”：" + (sheet.kind == SheetKind::Macro ? "宏表" : "对话框表") +
           "已作为普通工作表保存";
}

// The active tab must be a written, visible sheet, and the application refuses a workbook with no visible one.
void chooseActive(const BookData& book, XlsWritePlan& plan, std::vector<std::string>& log) {
    auto visible = [&](size_t i) { return plan.sheets[i].visibility == Visibility::Visible; };
    size_t firstVisible = plan.sheets.size();
    for (size_t i = 0; i < plan.sheets.size() && firstVisible == plan.sheets.size(); ++i)
        if (visible(i)) firstVisible = i;
    if (firstVisible == plan.sheets.size()) {
        firstVisible = 0;
        plan.sheets[0].visibility = Visibility::Visible;
        log.push_back("工作簿中没有可见的工作表，已将工作表“" + plan.sheets[0].sheet->name + "”设为可见");
    }
    int active = book.activeSheet < plan.fileIndex.size() ? plan.fileIndex[book.activeSheet] : -1;
    plan.activeSheet = static_cast<uint16_t>(active >= 0 && visible(size_t(active)) ? size_t(active) : firstVisible);
}

} // namespace

XlsWritePlan planXlsWrite(BookData& book, std::vector<std::string>& log) {
    XlsWritePlan plan;
    for (auto& sheet : book.sheets) {
        sheet->ensureLoaded();
        if (sheet->kind == SheetKind::Chart) {
            log.push_back("工作表“" + sheet->name + "”是图表工作表，2003 格式暂不能保存，已略过");
            plan.fileIndex.push_back(-1);
            continue;
        }
        checkLimits(*sheet);
        if (sheet->kind != SheetKind::Worksheet) log.push_back(sheetKindNote(*sheet));
        if (auto line = droppedFeaturesWarning(*sheet); !line.empty()) log.push_back(line);
        plan.fileIndex.push_back(static_cast<int>(plan.sheets.size()));
        std::string name = fileSheetName(sheet->name, book, plan.sheets);
        if (name != sheet->name)
            log.push_back("工作表“" + sheet->name + "”的名称超过 2003 格式的 31 个字符，已保存为“" + name + "”");
        plan.sheets.push_back({sheet.get(), sheet->visibility, std::move(name)});
    }
    if (plan.sheets.empty()) throw EngineError("工作簿中没有能保存为 2003 格式的工作表（图表工作表暂不能保存）");
    if (plan.sheets.size() > 0xFFFF) throw EngineError("工作表太多，超出 2003 格式的上限");
    chooseActive(book, plan, log);
    return plan;
}

void markUsedStyles(const XlsWritePlan& plan, Biff8WriteStyles& styles) {
    for (const Biff8SheetEntry& entry : plan.sheets) {
        const SheetData& sheet = *entry.sheet;
        for (const ColumnInfo& info : sheet.columns)
            styles.use(info.style);
        const auto& rows = sheet.rows();
        const auto end = std::min<size_t>(rows.size(), kMaxRows);
        for (size_t r = 0; r < end; ++r) {
            if (rows[r].hasStyle) styles.use(rows[r].style);
            for (const Cell& c : rows[r].cells)
                styles.use(c.style);
        }
    }
}

} // namespace tabrix::engine::xls
