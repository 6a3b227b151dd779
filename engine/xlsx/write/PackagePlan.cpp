#include "engine/xlsx/write/PackagePlan.h"

#include "engine/EngineError.h"
#include "engine/model/CellAddress.h"
#include "engine/model/SaveMessages.h"
#include "engine/xlsx/write/ChartSheetParts.h"
#include "engine/xlsx/write/XmlEscape.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <future>
#include <thread>

namespace tabrix::engine::xlsx {

namespace {

/// The merged areas worth writing: real areas (more than one cell, inside the sheet), the later of two that
/// overlap left out, since the application calls a file with overlapping merges damaged. A sweep down the rows
/// keeps only the areas still open at the current row to compare with.
std::vector<CellRect> mergesToWrite(const std::vector<CellRect>& merged, std::vector<CellRect>& overlapping) {
    std::vector<CellRect> areas;
    for (const CellRect& m : merged)
        if (m.firstRow <= m.lastRow && m.firstCol <= m.lastCol && m.lastRow < kMaxRows && m.lastCol < kMaxCols &&
            (m.firstRow != m.lastRow || m.firstCol != m.lastCol))
            areas.push_back(m);
    std::stable_sort(areas.begin(), areas.end(),
                     [](const CellRect& a, const CellRect& b) { return a.firstRow < b.firstRow; });
    std::vector<CellRect> kept, open;
    for (const CellRect& m : areas) {
        std::erase_if(open, [&](const CellRect& o) { return o.lastRow < m.firstRow; });
        if (std::any_of(open.begin(), open.end(), [&](const CellRect& o) { return o.intersects(m); })) {
            overlapping.push_back(m);
            continue;
        }
        open.push_back(m);
        kept.push_back(m);
    }
    return kept;
}

size_t codePoints(std::string_view s) {
    size_t n = 0;
    for (unsigned char c : s)
        n += (c & 0xC0) != 0x80 ? 1 : 0;
    return n;
}

std::string firstCodePoints(const std::string& s, size_t n) {
    size_t seen = 0;
    for (size_t i = 0; i < s.size(); ++i)
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80 && seen++ == n) return s.substr(0, i);
    return s;
}

bool sameNameIgnoringCase(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

bool nameTaken(const std::vector<TabEntry>& tabs, const std::string& name) {
    return std::any_of(tabs.begin(), tabs.end(), [&](const TabEntry& t) { return sameNameIgnoringCase(t.name, name); });
}

// Some producers write tab names longer than the 31 characters the application accepts: such a tab is saved under
// a shortened name that stays unique, instead of the whole save failing.
std::string fitTabName(const std::string& name, const std::vector<TabEntry>& tabs) {
    if (codePoints(name) <= 31) return name;
    std::string fitted = firstCodePoints(name, 31);
    for (int n = 2; nameTaken(tabs, fitted); ++n) {
        const std::string suffix = " (" + std::to_string(n) + ")";
        fitted = firstCodePoints(name, 31 - suffix.size()) + suffix;
    }
    return fitted;
}

/// Why the application would refuse name as a tab name; empty when it accepts it.
std::string tabNameFault(const std::string& name, const std::vector<TabEntry>& tabs) {
    if (name.empty()) return "名称为空";
    if (name.find_first_of(":\\/?*[]") != std::string::npos) return "名称含有 : \\ / ? * [ ] 之一";
    if (name.front() == '\'' || name.back() == '\'') return "名称以单引号开头或结尾";
    if (nameTaken(tabs, name)) return "与另一张工作表重名";
    return {};
}

/// Each worksheet's cells scanned ahead, side by side, for a workbook large enough to gain from it. A scan's
/// failure is kept and raised when its sheet is planned, so the sheet named is the first one at fault.
struct Scanned {
    SheetScan scan;
    std::exception_ptr error;
};

std::vector<std::optional<Scanned>> scanAhead(BookData& book) {
    constexpr size_t kRowsWorthAThread = 20000;
    std::vector<std::optional<Scanned>> scans(book.sheets.size());
    std::vector<size_t> worksheets;
    size_t rows = 0;
    for (size_t i = 0; i < book.sheets.size(); ++i) {
        SheetData& sheet = *book.sheets[i];
        sheet.ensureLoaded(); // loading reads the source package, one sheet at a time
        if (sheet.kind == SheetKind::Chart) continue;
        worksheets.push_back(i);
        rows += sheet.rowCount();
    }
    const size_t threads = std::min<size_t>(std::max(1u, std::thread::hardware_concurrency()), worksheets.size());
    if (threads < 2 || rows < kRowsWorthAThread) return scans;
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t k; (k = next++) < worksheets.size();) {
            const size_t i = worksheets[k];
            Scanned scanned;
            try {
                scanned.scan = scanSheetData(book, *book.sheets[i]);
            } catch (...) {
                scanned.error = std::current_exception();
            }
            scans[i] = std::move(scanned);
        }
    };
    std::vector<std::future<void>> helpers;
    for (size_t t = 1; t < threads; ++t)
        helpers.push_back(std::async(std::launch::async, work));
    work();
    for (auto& h : helpers)
        h.get();
    return scans;
}

class Planner {
public:
    Planner(BookData& book, const std::string& path, std::vector<std::string>& warnings)
        : m_book(book), m_path(path), m_warnings(warnings), m_plan(book.styles) {}

    PackagePlan run() {
        m_plan.date1904 = m_book.date1904;
        // The parts every package has: chart parts copied from a source must not take their names.
        for (const char* fixed : {"[content_types].xml", "_rels/.rels", "docprops/app.xml", "docprops/core.xml",
                                  "xl/workbook.xml", "xl/_rels/workbook.xml.rels", "xl/styles.xml",
                                  "xl/theme/theme1.xml"})
            m_usedNames.insert(fixed);
        std::vector<std::optional<Scanned>> scans = scanAhead(m_book);
        std::vector<int> tabOfSheet(m_book.sheets.size(), -1);
        for (size_t i = 0; i < m_book.sheets.size(); ++i) {
            SheetData& sheet = *m_book.sheets[i];
            const size_t before = m_plan.tabs.size();
            if (sheet.kind == SheetKind::Chart)
                planChartSheet(sheet);
            else
                planWorksheet(sheet, scans[i]);
            if (m_plan.tabs.size() > before) tabOfSheet[i] = static_cast<int>(before);
        }
        planVisibility(tabOfSheet);
        planNames(tabOfSheet);
        for (size_t t = 0; t < m_plan.tabs.size(); ++t)
            m_plan.tabs[t].sheetId = static_cast<uint32_t>(t + 1);
        return std::move(m_plan);
    }

private:
    BookData& m_book;
    const std::string& m_path;
    std::vector<std::string>& m_warnings;
    PackagePlan m_plan;
    std::set<std::string> m_usedNames;
    uint32_t m_worksheetParts = 0;

    [[noreturn]] void fail(const std::string& what) const { throw EngineError(m_path + ": 保存失败，" + what); }

    void planChartSheet(SheetData& sheet) {
        if (sheet.opaqueParts.empty()) {
            m_warnings.push_back("工作表“" + sheet.name + "”：图表工作表没有可保存的内容，未保存");
            return;
        }
        std::string name = fitTabName(sheet.name, m_plan.tabs);
        if (!tabNameFault(name, m_plan.tabs).empty()) {
            m_warnings.push_back("工作表“" + sheet.name + "”：图表工作表未能保存");
            return;
        }
        std::optional<std::string> main = addChartSheetParts(sheet, m_usedNames, m_plan.chartParts);
        if (!main) {
            m_warnings.push_back("工作表“" + sheet.name + "”：图表工作表的内容不完整，未保存");
            return;
        }
        TabEntry tab;
        tab.sheet = &sheet;
        tab.name = std::move(name);
        tab.chart = true;
        tab.partPath = *main;
        tab.visibility = sheet.visibility;
        m_plan.tabs.push_back(std::move(tab));
    }

    void planWorksheet(SheetData& sheet, const std::optional<Scanned>& ahead) {
        if (sheet.kind != SheetKind::Worksheet)
            m_warnings.push_back("工作表“" + sheet.name + "”：" + (sheet.kind == SheetKind::Macro ? "宏表" : "对话框表") +
                                 "已作为普通工作表保存");
        TabEntry tab;
        tab.sheet = &sheet;
        tab.name = fitTabName(sheet.name, m_plan.tabs);
        if (tab.name != sheet.name)
            m_warnings.push_back("工作表“" + sheet.name + "”的名称超过 31 个字符，已保存为“" + tab.name + "”");
        if (std::string fault = tabNameFault(tab.name, m_plan.tabs); !fault.empty())
            fail("工作表名称“" + sheet.name + "”无效：" + fault);
        // Worksheet parts are numbered in their own sequence; a name a chart part took is skipped.
        do {
            tab.partPath = "xl/worksheets/sheet" + std::to_string(++m_worksheetParts) + ".xml";
        } while (!m_usedNames.insert(lowerPath(tab.partPath)).second);
        tab.visibility = sheet.visibility;
        for (const ColumnInfo& info : sheet.columns)
            if (info.first <= info.last && info.last < kMaxCols) m_plan.styles.add(info.style);
        try {
            if (ahead && ahead->error) std::rethrow_exception(ahead->error);
            tab.extent = ahead ? prepareSheetData(ahead->scan, m_plan.styles)
                               : prepareSheetData(m_book, sheet, m_plan.styles);
        } catch (const EngineError& e) {
            fail(e.what());
        }
        std::vector<CellRect> overlapping;
        tab.merges = mergesToWrite(sheet.merged, overlapping);
        for (const CellRect& m : overlapping)
            m_warnings.push_back("工作表“" + sheet.name + "”：合并区域 " + rangeName(m, false) +
                                 " 与另一合并区域重叠，未保存");
        if (auto line = droppedFeaturesWarning(sheet); !line.empty()) m_warnings.push_back(line);
        m_plan.tabs.push_back(std::move(tab));
    }

    // The application refuses a workbook with no visible sheet, and opens on a visible one.
    void planVisibility(const std::vector<int>& tabOfSheet) {
        auto& tabs = m_plan.tabs;
        auto visible = [](const TabEntry& t) { return t.visibility == Visibility::Visible; };
        auto first = std::find_if(tabs.begin(), tabs.end(), visible);
        if (first == tabs.end() && !tabs.empty()) {
            first = std::find_if(tabs.begin(), tabs.end(), [](const TabEntry& t) { return !t.chart; });
            if (first == tabs.end()) first = tabs.begin();
            first->visibility = Visibility::Visible;
            m_warnings.push_back("工作表“" + first->sheet->name + "”：工作簿中没有可见的工作表，已将此表设为可见");
        }
        m_plan.activeTab = first == tabs.end() ? 0 : size_t(first - tabs.begin());
        if (m_book.activeSheet < tabOfSheet.size() && tabOfSheet[m_book.activeSheet] >= 0) {
            const auto active = size_t(tabOfSheet[m_book.activeSheet]);
            if (visible(tabs[active])) m_plan.activeTab = active;
        }
    }

    void planNames(const std::vector<int>& tabOfSheet) {
        for (const DefinedName& name : m_book.names) {
            int local = -1;
            if (name.localSheet >= 0) {
                const auto sheet = static_cast<size_t>(name.localSheet);
                if (sheet >= tabOfSheet.size() || tabOfSheet[sheet] < 0) {
                    m_warnings.push_back("名称“" + name.name + "”：所属的工作表未保存，名称未保存");
                    continue;
                }
                local = tabOfSheet[sheet];
            }
            if (!isValidDefinedName(name.name) || name.formula.empty()) {
                m_warnings.push_back("名称“" + name.name + "”：名称或其引用无效，未保存");
                continue;
            }
            m_plan.names.push_back({name.name, name.formula, local, name.hidden});
        }
    }
};

} // namespace

PackagePlan planPackage(BookData& book, const std::string& path, std::vector<std::string>& warnings) {
    return Planner(book, path, warnings).run();
}

} // namespace tabrix::engine::xlsx
