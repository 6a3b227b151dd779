#pragma once

// The parts of a minimal chart sheet (a column chart of one series), as a reader keeps them: the sheet, its
// drawing and its chart, each with its relationships part.
#include "engine/model/SheetData.h"

#include <string>
#include <vector>

namespace tabrix::test {

inline std::vector<engine::OpaquePart> chartSheetParts(const std::string& seriesRef, int n = 1) {
    const std::string rels = "application/vnd.openxmlformats-package.relationships+xml";
    const std::string relsNs = "http://schemas.openxmlformats.org/package/2006/relationships";
    const std::string relNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    const std::string k = std::to_string(n);
    std::string sheet =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
        "<chartsheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" xmlns:r=\"" + relNs +
        "\"><sheetPr/><sheetViews><sheetView tabSelected=\"1\" workbookViewId=\"0\"/></sheetViews>"
        "<drawing r:id=\"rId1\"/></chartsheet>";
    std::string drawing =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
        "<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\" "
        "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"><xdr:absoluteAnchor>"
        "<xdr:pos x=\"0\" y=\"0\"/><xdr:ext cx=\"9000000\" cy=\"6000000\"/><xdr:graphicFrame macro=\"\">"
        "<xdr:nvGraphicFramePr><xdr:cNvPr id=\"2\" name=\"Chart 1\"/><xdr:cNvGraphicFramePr/></xdr:nvGraphicFramePr>"
        "<xdr:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"0\" cy=\"0\"/></xdr:xfrm><a:graphic>"
        "<a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/chart\">"
        "<c:chart xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" xmlns:r=\"" + relNs +
        "\" r:id=\"rId1\"/></a:graphicData></a:graphic></xdr:graphicFrame><xdr:clientData/></xdr:absoluteAnchor>"
        "</xdr:wsDr>";
    std::string chart =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
        "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" "
        "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" xmlns:r=\"" + relNs + "\"><c:chart>"
        "<c:plotArea><c:layout/><c:barChart><c:barDir val=\"col\"/><c:grouping val=\"clustered\"/>"
        "<c:varyColors val=\"0\"/><c:ser><c:idx val=\"0\"/><c:order val=\"0\"/><c:val><c:numRef><c:f>" + seriesRef +
        "</c:f></c:numRef></c:val></c:ser><c:axId val=\"1\"/><c:axId val=\"2\"/></c:barChart>"
        "<c:catAx><c:axId val=\"1\"/><c:scaling><c:orientation val=\"minMax\"/></c:scaling><c:delete val=\"0\"/>"
        "<c:axPos val=\"b\"/><c:crossAx val=\"2\"/></c:catAx><c:valAx><c:axId val=\"2\"/><c:scaling>"
        "<c:orientation val=\"minMax\"/></c:scaling><c:delete val=\"0\"/><c:axPos val=\"l\"/><c:crossAx val=\"1\"/>"
        "</c:valAx></c:plotArea></c:chart></c:chartSpace>";
    auto relsPart = [&](const std::string& type, const std::string& target) {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><Relationships xmlns=\"" + relsNs +
               "\"><Relationship Id=\"rId1\" Type=\"" + relNs + "/" + type + "\" Target=\"" + target +
               "\"/></Relationships>";
    };
    return {
        {"xl/chartsheets/sheet" + k + ".xml", "application/vnd.openxmlformats-officedocument.spreadsheetml.chartsheet+xml",
         sheet},
        {"xl/chartsheets/_rels/sheet" + k + ".xml.rels", rels, relsPart("drawing", "../drawings/drawing" + k + ".xml")},
        {"xl/drawings/drawing" + k + ".xml", "application/vnd.openxmlformats-officedocument.drawing+xml", drawing},
        {"xl/drawings/_rels/drawing" + k + ".xml.rels", rels, relsPart("chart", "../charts/chart" + k + ".xml")},
        {"xl/charts/chart" + k + ".xml", "application/vnd.openxmlformats-officedocument.drawingml.chart+xml", chart},
    };
}

} // namespace tabrix::test
