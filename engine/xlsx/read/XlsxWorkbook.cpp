#include "engine/xlsx/read/XlsxWorkbook.h"

#include "engine/xlsx/ExpatParser.h"
#include "engine/xlsx/XmlText.h"

namespace tabrix::engine::xlsx {

namespace {
class WorkbookHandler : public XmlHandler {
public:
    explicit WorkbookHandler(WorkbookInfo& info) : m_info(info) {}

    void startElement(std::string_view name, const char** atts) override {
        if (m_info.root.empty()) m_info.root = name;
        if (name == "sheets") {
            m_inSheets = true;
        } else if (name == "sheet" && m_inSheets) {
            SheetEntry& e = m_info.sheets.emplace_back();
            const char* sheetName = findAttr(atts, "name");
            e.name = sheetName ? sheetName : "Sheet" + std::to_string(m_info.sheets.size());
            const char* id = findAttr(atts, "id");
            e.relId = id ? id : "";
            std::string_view state = findAttr(atts, "state") ? findAttr(atts, "state") : "";
            e.visibility = state == "hidden"       ? Visibility::Hidden
                           : state == "veryHidden" ? Visibility::VeryHidden
                                                   : Visibility::Visible;
        } else if (name == "workbookPr") {
            m_info.date1904 = parseBool(findAttr(atts, "date1904"), false);
        } else if (name == "workbookView" && !m_sawView) {
            m_sawView = true;
            auto tab = parseInt(findAttr(atts, "activeTab") ? findAttr(atts, "activeTab") : "0");
            m_info.activeTab = tab && *tab > 0 && *tab < 65536 ? uint32_t(*tab) : 0;
        } else if (name == "externalReference") {
            const char* id = findAttr(atts, "id");
            m_info.externalLinkIds.emplace_back(id ? id : "");
        } else if (name == "definedName") {
            DefinedName& n = m_info.names.emplace_back();
            const char* nameAttr = findAttr(atts, "name");
            n.name = nameAttr ? nameAttr : "";
            auto local = findAttr(atts, "localSheetId") ? parseInt(findAttr(atts, "localSheetId")) : std::nullopt;
            n.localSheet = local && *local >= 0 && *local < 65536 ? int(*local) : -1;
            n.hidden = parseBool(findAttr(atts, "hidden"), false);
            m_inName = true;
        }
    }
    void endElement(std::string_view name) override {
        if (name == "definedName") m_inName = false;
        if (name == "sheets") m_inSheets = false;
    }
    void characters(const char* text, int len) override {
        if (m_inName) m_info.names.back().formula.append(text, size_t(len));
    }

private:
    WorkbookInfo& m_info;
    bool m_sawView = false;
    bool m_inName = false;
    bool m_inSheets = false;
};
} // namespace

WorkbookInfo readWorkbookPart(std::string_view xml, const std::string& where) {
    WorkbookInfo info;
    WorkbookHandler handler(info);
    parseXml(handler, xml, where);
    return info;
}

} // namespace tabrix::engine::xlsx
