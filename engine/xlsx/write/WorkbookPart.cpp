#include "engine/xlsx/write/WorkbookPart.h"

#include "engine/xlsx/write/PartNames.h"
#include "engine/xlsx/write/XmlEscape.h"

namespace tabrix::engine::xlsx {

std::string workbookPart(const PackagePlan& plan, const std::vector<std::string>& relIds) {
    std::string x(kXmlDeclaration);
    x += "<workbook xmlns=\"" + std::string(kMainNamespace) + "\" xmlns:r=\"" + std::string(kRelationshipsNamespace) +
         "\">";
    x += plan.date1904 ? "<workbookPr date1904=\"1\"/>" : "<workbookPr/>";
    x += "<bookViews><workbookView";
    if (plan.activeTab != 0) x += " activeTab=\"" + std::to_string(plan.activeTab) + "\"";
    x += "/></bookViews><sheets>";
    for (size_t t = 0; t < plan.tabs.size(); ++t) {
        const TabEntry& tab = plan.tabs[t];
        x += "<sheet name=\"" + escapeXml(tab.name) + "\" sheetId=\"" + std::to_string(tab.sheetId) + "\"";
        if (tab.visibility == Visibility::Hidden) x += " state=\"hidden\"";
        if (tab.visibility == Visibility::VeryHidden) x += " state=\"veryHidden\"";
        x += " r:id=\"" + relIds[t] + "\"/>";
    }
    x += "</sheets>";
    if (!plan.linkRelIds.empty()) {
        x += "<externalReferences>";
        for (const std::string& id : plan.linkRelIds) x += "<externalReference r:id=\"" + id + "\"/>";
        x += "</externalReferences>";
    }
    if (!plan.names.empty()) {
        x += "<definedNames>";
        for (const NameEntry& n : plan.names) {
            x += "<definedName name=\"" + escapeXml(n.name) + "\"";
            if (n.localSheet >= 0) x += " localSheetId=\"" + std::to_string(n.localSheet) + "\"";
            if (n.hidden) x += " hidden=\"1\"";
            x += ">" + escapeXml(n.formula) + "</definedName>";
        }
        x += "</definedNames>";
    }
    return x + "<calcPr fullCalcOnLoad=\"1\"/></workbook>";
}

} // namespace tabrix::engine::xlsx
