#include "engine/xlsx/XlsxWriter.h"

#include "engine/EngineError.h"
#include "engine/model/CellAddress.h"
#include "engine/model/SaveMessages.h"
#include "engine/xlsx/LibraryPartsStored.h"
#include "engine/xlsx/XlsxWriteFormats.h"
#include "engine/xlsx/XlsxWriteMessages.h"
#include "engine/xlsx/XlsxWritePackage.h"
#include "engine/xlsx/XlsxWriteSheetData.h"
#include "engine/xlsx/XlsxWriteZip.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <future>
#include <memory>
#include <optional>
#include <thread>

#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

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

struct SheetSlot {
    SheetData* sheet = nullptr;
    lxw_worksheet* worksheet = nullptr; ///< nullptr for a sheet left out
    int lxwIndex = -1;
    std::string fileName; ///< the tab name written, shortened when the source's was too long
};

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

// Some producers write tab names longer than the 31 characters the application accepts: such a tab is saved under
// a shortened name that stays unique, instead of the whole save failing.
std::string fitTabName(const std::string& name, const std::vector<SheetSlot>& slots) {
    if (codePoints(name) <= 31) return name;
    auto taken = [&](const std::string& candidate) {
        return std::any_of(slots.begin(), slots.end(),
                           [&](const SheetSlot& s) { return sameNameIgnoringCase(s.fileName, candidate); });
    };
    std::string fitted = firstCodePoints(name, 31);
    for (int n = 2; taken(fitted); ++n) {
        const std::string suffix = " (" + std::to_string(n) + ")";
        fitted = firstCodePoints(name, 31 - suffix.size()) + suffix;
    }
    return fitted;
}

// Where the writer library keeps the small part files it makes for every save: a memory file system where there is
// one. Saving thousands of small workbooks otherwise spends most of its time creating and deleting files on disk.
const char* scratchFolder() {
    static const std::string folder = [] {
        const char* env = std::getenv("TMPDIR");
        if (env && *env) return std::string(env);
        struct stat info {};
        if (stat("/dev/shm", &info) == 0 && S_ISDIR(info.st_mode) && access("/dev/shm", W_OK | X_OK) == 0)
            return std::string("/dev/shm");
        return std::string();
    }();
    return folder.empty() ? nullptr : folder.c_str();
}

// A folder of one save's own in the scratch folder, for the library's package and part files: saves running side by
// side then never wait for each other on one folder. Empty path when there is no scratch folder.
class ScratchDir {
public:
    ScratchDir() {
        const char* folder = scratchFolder();
        if (!folder) return;
        std::string pattern = std::string(folder) + "/.tabrix-XXXXXX";
        if (mkdtemp(pattern.data())) m_path = pattern;
    }
    ~ScratchDir() {
        if (m_path.empty()) return;
        std::remove(package().c_str());
        rmdir(m_path.c_str());
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return m_path; }
    std::string package() const { return m_path + "/book.xlsx"; }

private:
    std::string m_path;
};

/// Saves one workbook: libxlsxwriter writes the package with styles, columns, merges and sheet states but no
/// cells; the rows and what the library cannot say go into the package afterwards (XlsxWritePackage).
class BookWriter {
public:
    BookWriter(BookData& book, const std::string& path, std::vector<std::string>& warnings)
        : m_book(book), m_path(path), m_libraryPath(m_scratch.path().empty() ? path : m_scratch.package()),
          m_warnings(warnings) {}
    ~BookWriter() {
        if (m_workbook) lxw_workbook_free(m_workbook);
    }
    BookWriter(const BookWriter&) = delete;
    BookWriter& operator=(const BookWriter&) = delete;

    void run();

private:
    BookData& m_book;
    const std::string& m_path;
    ScratchDir m_scratch;
    // Where the library writes its package before the cells go in: a memory file system when there is one, so a
    // save makes one file on disk instead of three.
    std::string m_libraryPath;
    std::vector<std::string>& m_warnings;
    lxw_workbook* m_workbook = nullptr;
    std::unique_ptr<XlsxFormatCache> m_formats;
    std::vector<SheetSlot> m_slots;
    PackagePatch m_patch;
    int m_worksheetCount = 0;
    bool m_storedParts = false; ///< the library stored its parts instead of deflating them

    // Each worksheet's cells scanned ahead, side by side, for a workbook large enough to gain from it; empty
    // where a sheet is scanned when it is added. A scan's failure is kept and raised when its sheet is added.
    struct Scanned {
        SheetScan scan;
        std::exception_ptr error;
    };
    std::vector<std::optional<Scanned>> m_scans;

    void open();
    void scanAhead();
    void addSheet(SheetData& sheet, size_t position);
    void writeColumns(const SheetData& sheet, lxw_worksheet* ws);
    void writeMerges(const SheetData& sheet, lxw_worksheet* ws);
    void prepareCells(const SheetData& sheet, size_t position, int lxwIndex);
    void setVisibility();
    void defineNames();
    void close();
    void copyPackage() const;
    [[noreturn]] void fail(const std::string& what) const;
};

void BookWriter::run() {
    open();
    scanAhead();
    for (size_t i = 0; i < m_book.sheets.size(); ++i)
        addSheet(*m_book.sheets[i], i);
    setVisibility();
    defineNames();
    m_patch.book = &m_book;
    m_patch.formats = m_formats.get();
    m_patch.date1904 = m_book.date1904;
    m_patch.numberFormats = m_formats->longNumberFormats();
    close();
    // When the library's parts came out stored (LibraryPartsStored) the package editor deflates them, so the
    // package always goes through it then.
    if (m_libraryPath == m_path) {
        if (!m_patch.empty())
            patchPackage(m_path, m_patch, m_warnings);
        else if (m_storedParts)
            XlsxPackageEditor(m_path).commit();
        return;
    }
    try {
        if (!m_patch.empty())
            patchPackage(m_libraryPath, m_patch, m_warnings, m_path);
        else if (m_storedParts)
            XlsxPackageEditor(m_libraryPath).commit(m_path);
        else
            copyPackage();
    } catch (const std::exception& error) {
        std::string message = error.what();
        for (size_t at; (at = message.find(m_libraryPath)) != std::string::npos;)
            message.replace(at, m_libraryPath.size(), m_path);
        throw EngineError(message);
    }
}

// A package without cells is the library's as it stands: copied from the scratch folder to the target.
void BookWriter::copyPackage() const {
    std::unique_ptr<FILE, int (*)(FILE*)> in(std::fopen(m_libraryPath.c_str(), "rb"), &std::fclose);
    if (!in) fail("无法读取刚写出的文件（" + describeErrno(errno) + "）");
    std::unique_ptr<FILE, int (*)(FILE*)> out(std::fopen(m_path.c_str(), "wb"), &std::fclose);
    if (!out) fail("无法创建文件（" + describeErrno(errno) + "）");
    char buffer[1 << 16];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, in.get())) > 0;)
        if (std::fwrite(buffer, 1, n, out.get()) != n) fail(describeErrno(errno));
    if (std::fflush(out.get()) != 0) fail(describeErrno(errno));
}

void BookWriter::open() {
    lxw_workbook_options options{};
    options.tmpdir = m_scratch.path().empty() ? nullptr : const_cast<char*>(m_scratch.path().c_str());
    m_workbook = workbook_new_opt(m_libraryPath.c_str(), &options);
    if (!m_workbook) fail("无法创建工作簿（内存不足或无法创建临时文件）");
    m_formats = std::make_unique<XlsxFormatCache>(m_workbook, m_book.styles);
}

void BookWriter::scanAhead() {
    constexpr size_t kRowsWorthAThread = 20000;
    m_scans.assign(m_book.sheets.size(), std::nullopt);
    std::vector<size_t> worksheets;
    size_t rows = 0;
    for (size_t i = 0; i < m_book.sheets.size(); ++i) {
        SheetData& sheet = *m_book.sheets[i];
        if (sheet.kind == SheetKind::Chart) continue;
        sheet.ensureLoaded(); // loading reads the package, one sheet at a time
        worksheets.push_back(i);
        rows += sheet.rowCount();
    }
    const size_t threads = std::min<size_t>(std::max(1u, std::thread::hardware_concurrency()), worksheets.size());
    if (threads < 2 || rows < kRowsWorthAThread) return;
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t k; (k = next++) < worksheets.size();) {
            const size_t i = worksheets[k];
            Scanned scanned;
            try {
                scanned.scan = scanSheetData(m_book, *m_book.sheets[i]);
            } catch (...) {
                scanned.error = std::current_exception();
            }
            m_scans[i] = std::move(scanned);
        }
    };
    std::vector<std::future<void>> helpers;
    for (size_t t = 1; t < threads; ++t)
        helpers.push_back(std::async(std::launch::async, work));
    work();
    for (auto& h : helpers)
        h.get();
}

void BookWriter::addSheet(SheetData& sheet, size_t position) {
    sheet.ensureLoaded();
    SheetSlot slot{&sheet, nullptr, -1};
    if (sheet.kind == SheetKind::Chart) {
        if (!sheet.opaqueParts.empty())
            m_patch.chartSheets.push_back({&sheet, static_cast<size_t>(m_worksheetCount)});
        else
            m_warnings.push_back("工作表“" + sheet.name + "”：图表工作表没有可保存的内容，未保存");
        m_slots.push_back(slot);
        return;
    }
    if (sheet.kind != SheetKind::Worksheet)
        m_warnings.push_back("工作表“" + sheet.name + "”：" + (sheet.kind == SheetKind::Macro ? "宏表" : "对话框表") +
                             "已作为普通工作表保存");
    slot.fileName = fitTabName(sheet.name, m_slots);
    if (slot.fileName != sheet.name)
        m_warnings.push_back("工作表“" + sheet.name + "”的名称超过 31 个字符，已保存为“" + slot.fileName + "”");
    lxw_error err = workbook_validate_sheet_name(m_workbook, slot.fileName.c_str());
    if (err != LXW_NO_ERROR) fail("工作表名称“" + sheet.name + "”无效：" + describeLxwError(err));
    slot.worksheet = workbook_add_worksheet(m_workbook, slot.fileName.c_str());
    if (!slot.worksheet) fail("无法添加工作表“" + sheet.name + "”");
    slot.lxwIndex = m_worksheetCount++;
    m_slots.push_back(slot);
    lxw_worksheet* ws = slot.worksheet;
    if (sheet.defaultRowHeight > 0 && sheet.defaultRowHeight != LXW_DEF_ROW_HEIGHT)
        worksheet_set_default_row(ws, sheet.defaultRowHeight, LXW_FALSE);
    writeColumns(sheet, ws);
    writeMerges(sheet, ws);
    prepareCells(sheet, position, slot.lxwIndex);
    if (auto line = droppedFeaturesWarning(sheet); !line.empty()) m_warnings.push_back(line);
}

void BookWriter::writeColumns(const SheetData& sheet, lxw_worksheet* ws) {
    for (const ColumnInfo& info : sheet.columns) {
        if (info.first > info.last || info.last >= kMaxCols) continue;
        lxw_row_col_options options{};
        options.hidden = info.hidden;
        options.level = info.outlineLevel;
        // The model keeps widths as the application shows them, which is what libxlsxwriter takes.
        double width = info.width >= 0 ? info.width : sheet.defaultColWidth;
        lxw_error err =
            worksheet_set_column_opt(ws, info.first, info.last, width, m_formats->format(info.style), &options);
        if (err != LXW_NO_ERROR) fail("工作表“" + sheet.name + "”：无法设置列格式（" + describeLxwError(err) + "）");
    }
}

void BookWriter::writeMerges(const SheetData& sheet, lxw_worksheet* ws) {
    std::vector<CellRect> overlapping;
    for (const CellRect& m : mergesToWrite(sheet.merged, overlapping)) {
        // With an empty text and no format the library only records the area: the cells' own values and
        // formats come with the sheet data.
        lxw_error err = worksheet_merge_range(ws, m.firstRow, static_cast<lxw_col_t>(m.firstCol), m.lastRow,
                                              static_cast<lxw_col_t>(m.lastCol), "", nullptr);
        if (err != LXW_NO_ERROR)
            fail("工作表“" + sheet.name + "”：无法保存合并单元格（" + describeLxwError(err) + "）");
    }
    for (const CellRect& m : overlapping)
        m_warnings.push_back("工作表“" + sheet.name + "”：合并区域 " + rangeName(m, false) +
                             " 与另一合并区域重叠，未保存");
}

void BookWriter::prepareCells(const SheetData& sheet, size_t position, int lxwIndex) {
    std::optional<SheetExtent> extent;
    try {
        const std::optional<Scanned>& ahead = m_scans[position];
        if (ahead && ahead->error) std::rethrow_exception(ahead->error);
        extent = ahead ? prepareSheetData(ahead->scan, *m_formats) : prepareSheetData(m_book, sheet, *m_formats);
    } catch (const EngineError& e) {
        fail(e.what());
    }
    if (extent) m_patch.sheetData.push_back({&sheet, lxwIndex, *extent});
}

void BookWriter::setVisibility() {
    lxw_worksheet* firstVisible = nullptr;
    for (auto& slot : m_slots) {
        if (!slot.worksheet) continue;
        if (slot.sheet->visibility == Visibility::Visible) {
            if (!firstVisible) firstVisible = slot.worksheet;
            continue;
        }
        worksheet_hide(slot.worksheet);
        if (slot.sheet->visibility == Visibility::VeryHidden) m_patch.veryHiddenSheets.push_back(slot.fileName);
    }
    if (!firstVisible) {
        // The application refuses a workbook with no visible sheet.
        for (auto& slot : m_slots) {
            if (!slot.worksheet) continue;
            slot.worksheet->hidden = LXW_FALSE;
            std::erase(m_patch.veryHiddenSheets, slot.fileName);
            firstVisible = slot.worksheet;
            m_warnings.push_back("工作表“" + slot.sheet->name + "”：工作簿中没有可见的工作表，已将此表设为可见");
            break;
        }
    }
    lxw_worksheet* active = firstVisible;
    if (m_book.activeSheet < m_slots.size()) {
        const SheetSlot& slot = m_slots[m_book.activeSheet];
        if (slot.worksheet && slot.sheet->visibility == Visibility::Visible) active = slot.worksheet;
    }
    if (active) worksheet_activate(active);
}

void BookWriter::defineNames() {
    for (const DefinedName& name : m_book.names) {
        int sheet = -1;
        if (name.localSheet >= 0) {
            auto local = static_cast<size_t>(name.localSheet);
            if (local >= m_slots.size() || m_slots[local].lxwIndex < 0) {
                m_warnings.push_back("名称“" + name.name + "”：所属的工作表未保存，名称未保存");
                continue;
            }
            sheet = m_slots[local].lxwIndex;
        }
        if (!isValidDefinedName(name.name) || name.formula.empty()) {
            m_warnings.push_back("名称“" + name.name + "”：名称或其引用无效，未保存");
            continue;
        }
        // Names go in with the package patch: the library accepts names the application rejects (a file it
        // would call damaged), refuses some it accepts, and cuts formulas at 127 bytes.
        m_patch.names.push_back({name.name, name.formula, sheet, name.hidden});
    }
}

void BookWriter::close() {
    errno = 0;
    lxw_error err;
    {
        LibraryPartsStored stored;
        err = workbook_close(m_workbook);
        m_storedParts = stored.any();
    }
    int savedErrno = errno;
    m_workbook = nullptr; // closed or not, the library has freed it
    if (err == LXW_NO_ERROR) return;
    std::string detail = describeLxwError(err);
    if (savedErrno != 0) detail += "（" + describeErrno(savedErrno) + "）";
    fail(detail);
}

void BookWriter::fail(const std::string& what) const {
    throw EngineError(m_path + ": 保存失败，" + what);
}

/// Makes this thread print decimals with a point while it lives. libxlsxwriter prints font sizes, widths and
/// margins with printf, which follows the locale; a Qt program runs in the user's, and one with a decimal comma
/// would put "12,5" into the package. uselocale touches this thread only.
class ClassicNumbers {
public:
    ClassicNumbers() {
        if (locale_t base = duplocale(LC_GLOBAL_LOCALE)) {
            m_locale = newlocale(LC_NUMERIC_MASK, "C", base);
            if (!m_locale) freelocale(base);
        }
        if (m_locale) m_previous = uselocale(m_locale);
    }
    ~ClassicNumbers() {
        if (!m_locale) return;
        uselocale(m_previous);
        freelocale(m_locale);
    }
    ClassicNumbers(const ClassicNumbers&) = delete;
    ClassicNumbers& operator=(const ClassicNumbers&) = delete;

private:
    locale_t m_locale = nullptr;
    locale_t m_previous = nullptr;
};

} // namespace

void writeXlsx(BookData& book, const std::string& path, std::vector<std::string>& warnings) {
    ClassicNumbers numbers;
    BookWriter writer(book, path, warnings);
    writer.run();
}

} // namespace tabrix::engine::xlsx
