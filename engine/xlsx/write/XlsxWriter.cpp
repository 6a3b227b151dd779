#include "engine/xlsx/write/XlsxWriter.h"

#include "engine/xlsx/write/ContentTypesPart.h"
#include "engine/xlsx/write/DocPropsParts.h"
#include "engine/xlsx/write/ExternalLinkPart.h"
#include "engine/xlsx/write/PackagePlan.h"
#include "engine/xlsx/write/Packager.h"
#include "engine/xlsx/write/PartNames.h"
#include "engine/xlsx/write/RelationshipsPart.h"
#include "engine/xlsx/write/TablePart.h"
#include "engine/xlsx/write/ThemePart.h"
#include "engine/xlsx/write/WorkbookPart.h"
#include "engine/xlsx/write/WorksheetPart.h"

#include <ctime>

namespace tabrix::engine::xlsx {

namespace {

/// Deflate level of the worksheet parts: the fastest. Sheet data is nearly all of a package's bytes and its
/// deflating nearly all of the saving time; level 1 takes a third of the default level's time for files about a
/// quarter larger.
constexpr int kSheetDataLevel = 1;

/// Every part of the package for book, from its plan; worksheets are produced while the package is written, from
/// the plan, which must live until then. The plan gets the relationships of the link and table parts.
Packager packageOf(const BookData& book, PackagePlan& plan) {
    ContentTypesPart types;
    types.add(part::kApp, contentType::kApp);
    types.add(part::kCore, contentType::kCore);
    types.add(part::kWorkbook, contentType::kWorkbook);
    types.add(part::kStyles, contentType::kStyles);
    types.add(part::kTheme, contentType::kTheme);
    RelationshipsPart packageRels;
    packageRels.add(relType::kOfficeDocument, part::kWorkbook);
    packageRels.add(relType::kCore, part::kCore);
    packageRels.add(relType::kApp, part::kApp);
    RelationshipsPart workbookRels;
    std::vector<std::string> relIds;
    for (const TabEntry& tab : plan.tabs) {
        relIds.push_back(workbookRels.add(tab.chart ? relType::kChartsheet : relType::kWorksheet,
                                          targetFromWorkbook(tab.partPath)));
        if (!tab.chart) types.add(tab.partPath, contentType::kWorksheet);
    }
    workbookRels.add(relType::kTheme, targetFromWorkbook(part::kTheme));
    workbookRels.add(relType::kStyles, targetFromWorkbook(part::kStyles));
    for (const FixedPart& p : plan.chartParts)
        if (!p.contentType.empty()) types.add(p.path, p.contentType);

    // Links to other workbooks and tables: small parts, made here whole.
    std::vector<FixedPart> extraParts;
    for (size_t i = 0; i < book.externalBooks.size(); ++i) {
        const std::string name = "externalLink" + std::to_string(i + 1) + ".xml";
        const std::string partPath = "xl/externalLinks/" + name;
        plan.linkRelIds.push_back(workbookRels.add(relType::kExternalLink, targetFromWorkbook(partPath)));
        types.add(partPath, contentType::kExternalLink);
        extraParts.push_back({partPath, {}, externalLinkPart(book.externalBooks[i])});
        extraParts.push_back({"xl/externalLinks/_rels/" + name + ".rels", {},
                              externalLinkRelationships(book.externalBooks[i])});
    }
    uint32_t tables = 0;
    for (TabEntry& tab : plan.tabs) {
        if (tab.chart || tab.sheet->tables.empty()) continue;
        RelationshipsPart sheetRels;
        for (const SheetTable& table : tab.sheet->tables) {
            const std::string partPath = "xl/tables/table" + std::to_string(++tables) + ".xml";
            tab.tableRelIds.push_back(sheetRels.add(relType::kTable, "../tables/table" + std::to_string(tables) + ".xml"));
            types.add(partPath, contentType::kTable);
            extraParts.push_back({partPath, {}, tablePart(table, tables)});
        }
        const size_t slash = tab.partPath.rfind('/');
        extraParts.push_back({tab.partPath.substr(0, slash) + "/_rels" + tab.partPath.substr(slash) + ".rels", {},
                              sheetRels.xml()});
    }

    Packager package;
    package.add(part::kContentTypes, types.xml());
    package.add(part::kPackageRels, packageRels.xml());
    package.add(part::kApp, appPropertiesPart(plan));
    package.add(part::kCore, corePropertiesPart(std::time(nullptr)));
    package.add(part::kWorkbook, workbookPart(plan, relIds));
    package.add(part::kWorkbookRels, workbookRels.xml());
    package.add(part::kStyles, plan.styles.xml());
    package.add(part::kTheme, std::string(themePart()));
    for (size_t t = 0; t < plan.tabs.size(); ++t) {
        const TabEntry& tab = plan.tabs[t];
        if (!tab.chart)
            package.addStream(tab.partPath, worksheetPartReader(book, tab, t == plan.activeTab, plan.styles),
                              kSheetDataLevel);
    }
    for (const FixedPart& p : plan.chartParts)
        package.add(p.path, p.data);
    for (FixedPart& p : extraParts)
        package.add(p.path, std::move(p.data));
    return package;
}

} // namespace

void writeXlsx(BookData& book, const std::string& path, std::vector<std::string>& warnings) {
    PackagePlan plan = planPackage(book, path, warnings);
    packageOf(book, plan).write(path);
}

std::string writeXlsxToMemory(BookData& book, const std::string& name, std::vector<std::string>& warnings) {
    PackagePlan plan = planPackage(book, name, warnings);
    return packageOf(book, plan).writeToMemory(name);
}

} // namespace tabrix::engine::xlsx
