#pragma once

#include "engine/model/BookData.h"
#include "engine/xlsx/write/SheetDataWriter.h"
#include "engine/xlsx/write/StylesPart.h"

#include <optional>
#include <string>
#include <vector>

namespace tabrix::engine::xlsx {

/// A part whose content is known before the package is written (chart sheets' parts, copied as they were read).
struct FixedPart {
    std::string path; ///< inside the package, without a leading "/"
    std::string contentType; ///< empty for a relationships part, which the package's default covers
    std::string data;
};

/// One tab of the written workbook.
struct TabEntry {
    SheetData* sheet = nullptr;
    std::string name;          ///< the tab name written, shortened when the model's was too long
    bool chart = false;
    std::string partPath;      ///< the sheet's main part
    uint32_t sheetId = 0;
    Visibility visibility = Visibility::Visible;
    std::vector<CellRect> merges;        ///< worksheets: the merged areas worth writing
    std::optional<SheetExtent> extent;   ///< worksheets: what the cells span; nullopt without any row to write
    std::vector<std::string> tableRelIds; ///< worksheets: the relationships of their table parts
};

/// A defined name as written; localSheet is the tab index of the sheet it belongs to, -1 for the workbook.
struct NameEntry {
    std::string name;
    std::string formula;
    int localSheet = -1;
    bool hidden = false;
};

/// Everything the parts are written from, worked out from the model in one pass before any part is written:
/// the tabs in order with their part names and ids, the active tab, the names, the chart sheets' parts, and the
/// cell format of every style the sheets use.
struct PackagePlan {
    explicit PackagePlan(const StyleTable& styles) : styles(styles) {}

    std::vector<TabEntry> tabs;
    size_t activeTab = 0;
    std::vector<NameEntry> names;
    std::vector<std::string> linkRelIds; ///< the workbook's relationships to its external-link parts, in link order
    std::vector<FixedPart> chartParts;
    StylesPart styles;
    bool date1904 = false;
};

/// Plans the package for book, loading sheets that are not loaded yet. What the package cannot carry goes to
/// warnings, one line each. Throws EngineError naming the file (path), sheet and cell for what cannot be saved.
PackagePlan planPackage(BookData& book, const std::string& path, std::vector<std::string>& warnings);

} // namespace tabrix::engine::xlsx
