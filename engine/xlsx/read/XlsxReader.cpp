#include "engine/xlsx/read/XlsxReader.h"

#include "engine/EngineError.h"
#include "engine/xlsx/read/OpcRelations.h"
#include "engine/xlsx/read/XlsxColors.h"
#include "engine/xlsx/read/XlsxLinkParts.h"
#include "engine/xlsx/read/XlsxSheetReader.h"
#include "engine/xlsx/read/XlsxStyles.h"
#include "engine/xlsx/read/XlsxWorkbook.h"
#include "engine/xlsx/read/ZipPackage.h"

#include <algorithm>
#include <mutex>
#include <set>

namespace tabrix::engine::xlsx {

namespace {
constexpr uint64_t kSmallPartLimit = uint64_t(64) << 20;
constexpr size_t kMaxOpaqueParts = 256;

// What the loaders of one workbook share: the open package (kept open as long as a sheet is still unread) and
// what the first sheet load reads once for all sheets.
struct XlsxSource {
    std::mutex mutex;
    std::unique_ptr<ZipPackage> package;
    BookData* book = nullptr; // the loaders live inside the book's sheets, so the book outlives them
    std::string sstPart;
    bool sstRead = false;
    uint32_t sstBase = 0;
    uint32_t sstCount = 0;
    uint32_t styleCount = 1;
    bool typesRead = false;
    ContentTypes types;
};

std::string where(const ZipPackage& zip, const std::string& part) { return zip.name() + ": " + part; }

std::string findWorkbookPart(ZipPackage& zip) {
    for (const auto& rel : readRelationships(zip, ""))
        if (rel.kind == "officeDocument" && !rel.external && zip.has(rel.target)) {
            if (ZipPackage::normalize(rel.target).ends_with(".bin"))
                throw EngineError(zip.name() + ": 这是二进制工作簿（.xlsb），无法读取；请另存为 .xlsx 后再试");
            return rel.target;
        }
    if (zip.has("xl/workbook.xml")) return "xl/workbook.xml";
    if (zip.has("mimetype") && zip.has("content.xml"))
        throw EngineError(zip.name() + ": 不是工作簿：这是 OpenDocument 文件（.ods），不是 xlsx 包");
    throw EngineError(zip.name() + ": 不是工作簿：包中没有工作簿部件（xl/workbook.xml）");
}

// The part a workbook relationship of this kind names; producers that leave the relationship out still put
// the part at its usual name next to the workbook part.
std::string relatedPart(ZipPackage& zip, const std::vector<Relationship>& rels, const std::string& workbookPart,
                        std::string_view kind, std::string_view usualName) {
    if (const Relationship* rel = findRelationship(rels, kind); rel && zip.has(rel->target)) return rel->target;
    std::string usual = resolveTarget(workbookPart, usualName);
    return zip.has(usual) ? usual : std::string();
}

void ensureSharedStrings(XlsxSource& src) {
    if (src.sstRead || src.sstPart.empty()) return;
    StringPool& strings = src.book->strings;
    uint32_t base = strings.size();
    src.sstCount = readSharedStrings(*src.package, src.sstPart, strings);
    src.sstBase = base;
    src.sstRead = true;
}

void noteDropped(SheetData& sheet, const char* feature) {
    auto& list = sheet.droppedFeatures;
    if (std::find(list.begin(), list.end(), feature) == list.end()) list.emplace_back(feature);
}

// Features a worksheet holds in parts of their own, found through its relationships.
void noteRelatedFeatures(ZipPackage& zip, const std::string& part, SheetData& sheet) {
    for (const auto& rel : readRelationships(zip, part)) {
        if (rel.external) continue;
        if (rel.kind == "drawing" && zip.has(rel.target)) {
            bool any = false;
            for (const auto& inner : readRelationships(zip, rel.target)) {
                if (inner.kind == "chart") noteDropped(sheet, "charts"), any = true;
                if (inner.kind == "image") noteDropped(sheet, "images"), any = true;
            }
            if (!any) noteDropped(sheet, "drawings");
        } else if (rel.kind == "comments" || rel.kind == "threadedComment") {
            noteDropped(sheet, "comments");
        } else if (rel.kind == "pivotTable") {
            noteDropped(sheet, "pivot tables");
        } else if (rel.kind == "table") {
            SheetTable table;
            if (zip.has(rel.target) && readTablePart(zip.read(rel.target, kSmallPartLimit), where(zip, rel.target), table))
                sheet.tables.push_back(std::move(table));
            else
                noteDropped(sheet, "tables");
        } else if (rel.kind == "oleObject" || rel.kind == "package") {
            noteDropped(sheet, "embedded objects");
        } else if (rel.kind == "ctrlProp") {
            noteDropped(sheet, "form controls");
        }
    }
}

void loadWorksheet(XlsxSource& src, const std::string& part, SheetData& sheet) {
    ensureSharedStrings(src);
    SheetContext ctx{*src.book, src.sstBase, src.sstCount, src.styleCount};
    readSheetPart(*src.package, part, sheet, ctx);
    noteRelatedFeatures(*src.package, part, sheet);
}

// A chart sheet is kept as the bytes of its part and of every part it reaches through relationships (drawing,
// chart, their styles and images), each with its relationships part, so a writer can put them back.
void loadChartSheet(XlsxSource& src, const std::string& part, SheetData& sheet) {
    ZipPackage& zip = *src.package;
    if (!src.typesRead) {
        src.types.load(zip);
        src.typesRead = true;
    }
    std::vector<std::string> queue{part};
    std::set<std::string> seen{ZipPackage::normalize(part)};
    for (size_t i = 0; i < queue.size() && i < kMaxOpaqueParts; ++i) {
        std::string current = queue[i];
        sheet.opaqueParts.push_back({current, src.types.of(current), zip.read(current)});
        std::string relsPart = relsPartOf(current);
        if (!zip.has(relsPart)) continue;
        sheet.opaqueParts.push_back({relsPart, src.types.of(relsPart), zip.read(relsPart, kSmallPartLimit)});
        for (const auto& rel : readRelationships(zip, current))
            if (!rel.external && zip.has(rel.target) && seen.insert(ZipPackage::normalize(rel.target)).second)
                queue.push_back(rel.target);
    }
}

std::function<void(SheetData&)> makeLoader(std::shared_ptr<XlsxSource> src, std::string part, SheetKind kind) {
    return [src, part, kind](SheetData& sheet) {
        std::lock_guard lock(src->mutex);
        try {
            if (kind == SheetKind::Chart)
                loadChartSheet(*src, part, sheet);
            else
                loadWorksheet(*src, part, sheet);
        } catch (...) {
            // A sheet that failed stays unloaded and fails again on the next access, rather than showing the
            // part read before the error as if it were the whole sheet.
            sheet.rows().clear();
            sheet.columns.clear();
            sheet.merged.clear();
            sheet.opaqueParts.clear();
            sheet.touch();
            sheet.setLoader(makeLoader(src, part, kind));
            throw;
        }
    };
}

SheetKind kindOf(std::string_view relKind) {
    if (relKind == "chartsheet") return SheetKind::Chart;
    if (relKind == "dialogsheet") return SheetKind::Dialog;
    if (relKind == "xlMacrosheet" || relKind == "xlIntlMacrosheet") return SheetKind::Macro;
    return SheetKind::Worksheet;
}

void readStylesAndTheme(ZipPackage& zip, const std::vector<Relationship>& rels, const std::string& workbookPart,
                        XlsxSource& src) {
    XlsxColors colors;
    std::string theme = relatedPart(zip, rels, workbookPart, "theme", "theme/theme1.xml");
    if (!theme.empty()) colors.loadTheme(zip.read(theme, kSmallPartLimit), where(zip, theme));
    std::string styles = relatedPart(zip, rels, workbookPart, "styles", "styles.xml");
    if (!styles.empty())
        src.styleCount = readStyles(zip.read(styles, kSmallPartLimit), colors, src.book->styles, where(zip, styles));
}

void addSheets(const WorkbookInfo& info, const std::vector<Relationship>& rels, std::shared_ptr<XlsxSource> src) {
    ZipPackage& zip = *src->package;
    for (const SheetEntry& entry : info.sheets) {
        auto sheet = std::make_unique<SheetData>();
        sheet->name = entry.name;
        sheet->visibility = entry.visibility;
        auto rel = std::find_if(rels.begin(), rels.end(), [&](const Relationship& r) { return r.id == entry.relId; });
        if (rel != rels.end() && !rel->external) {
            sheet->kind = kindOf(rel->kind);
            if (zip.has(rel->target)) sheet->setLoader(makeLoader(src, rel->target, sheet->kind));
        }
        src->book->sheets.push_back(std::move(sheet));
    }
}

std::unique_ptr<BookData> readPackage(std::unique_ptr<ZipPackage> package) {
    auto src = std::make_shared<XlsxSource>();
    ZipPackage& zip = *package;
    src->package = std::move(package);
    auto book = std::make_unique<BookData>();
    book->format = FileFormat::Xlsx;
    src->book = book.get();

    std::string workbookPart = findWorkbookPart(zip);
    std::vector<Relationship> rels = readRelationships(zip, workbookPart);
    WorkbookInfo info = readWorkbookPart(zip.read(workbookPart, kSmallPartLimit), where(zip, workbookPart));
    if (info.root != "workbook") throw EngineError(zip.name() + ": 不是工作簿：包的主部件是 <" + info.root + ">");
    book->date1904 = info.date1904;
    book->names = info.names;
    readExternalLinks(zip, rels, info.externalLinkIds, *book);
    readStylesAndTheme(zip, rels, workbookPart, *src);
    src->sstPart = relatedPart(zip, rels, workbookPart, "sharedStrings", "sharedStrings.xml");
    addSheets(info, rels, src);
    if (!book->sheets.empty()) {
        book->activeSheet = std::min<uint32_t>(info.activeTab, uint32_t(book->sheets.size() - 1));
        if (findRelationship(rels, "vbaProject")) noteDropped(*book->sheets.front(), "macros");
    }
    return book;
}
} // namespace

std::unique_ptr<BookData> readXlsx(const std::string& path) { return readPackage(ZipPackage::openFile(path)); }

std::unique_ptr<BookData> readXlsxBuffer(std::string data, const std::string& name) {
    return readPackage(ZipPackage::openMemory(std::move(data), name));
}

} // namespace tabrix::engine::xlsx
