#include "engine/xlsx/write/DocPropsParts.h"

#include "engine/xlsx/write/XmlEscape.h"

namespace tabrix::engine::xlsx {

namespace {

std::string headingPair(std::string_view heading, size_t count) {
    return "<vt:variant><vt:lpstr>" + std::string(heading) + "</vt:lpstr></vt:variant><vt:variant><vt:i4>" +
           std::to_string(count) + "</vt:i4></vt:variant>";
}

} // namespace

std::string appPropertiesPart(const PackagePlan& plan) {
    // Titles are listed worksheets first, then chart sheets, each group counted in the heading pairs.
    std::string titles;
    size_t worksheets = 0, charts = 0;
    for (bool chart : {false, true})
        for (const TabEntry& tab : plan.tabs)
            if (tab.chart == chart) {
                titles += "<vt:lpstr>" + escapeXml(tab.name) + "</vt:lpstr>";
                ++(chart ? charts : worksheets);
            }
    std::string pairs;
    if (worksheets) pairs += headingPair("Worksheets", worksheets);
    if (charts) pairs += headingPair("Charts", charts);
    std::string x(kXmlDeclaration);
    x += "<Properties xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties\" "
         "xmlns:vt=\"http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes\">"
         "<Application>Tabrix</Application><DocSecurity>0</DocSecurity><ScaleCrop>false</ScaleCrop>";
    if (!plan.tabs.empty()) {
        x += "<HeadingPairs><vt:vector size=\"" + std::to_string((worksheets ? 2 : 0) + (charts ? 2 : 0)) +
             "\" baseType=\"variant\">" + pairs + "</vt:vector></HeadingPairs>";
        x += "<TitlesOfParts><vt:vector size=\"" + std::to_string(plan.tabs.size()) + "\" baseType=\"lpstr\">" +
             titles + "</vt:vector></TitlesOfParts>";
    }
    return x + "<LinksUpToDate>false</LinksUpToDate><SharedDoc>false</SharedDoc>"
               "<HyperlinksChanged>false</HyperlinksChanged><AppVersion>12.0000</AppVersion></Properties>";
}

std::string corePropertiesPart(std::time_t now) {
    std::tm utc{};
    gmtime_r(&now, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
    std::string x(kXmlDeclaration);
    x += "<cp:coreProperties xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
         "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:dcterms=\"http://purl.org/dc/terms/\" "
         "xmlns:dcmitype=\"http://purl.org/dc/dcmitype/\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">";
    x += "<dcterms:created xsi:type=\"dcterms:W3CDTF\">" + std::string(stamp) + "</dcterms:created>";
    x += "<dcterms:modified xsi:type=\"dcterms:W3CDTF\">" + std::string(stamp) + "</dcterms:modified>";
    return x + "</cp:coreProperties>";
}

} // namespace tabrix::engine::xlsx
