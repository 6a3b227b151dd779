// Workbooks written by openpyxl, an independent producer, read back through our reader.
#include "engine/EngineError.h"
#include "engine/xlsx/read/XlsxReader.h"
#include "support/TestPaths.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace tabrix::engine;

namespace {

const char* kMakeBook = R"PY(
import datetime, sys
import openpyxl
from openpyxl.chart import BarChart, Reference
from openpyxl.styles import Alignment, Border, Font, PatternFill, Protection, Side
from openpyxl.styles.colors import Color
from openpyxl.utils.datetime import CALENDAR_MAC_1904

wb = openpyxl.Workbook()
ws = wb.active
ws.title = "Styled"
ws["A1"] = "bold"
ws["A1"].font = Font(name="Arial", size=14, bold=True, italic=True, underline="double", color="FF0000FF")
ws["B1"] = 1234.5
ws["B1"].number_format = "#,##0.00"
ws["C1"] = 3
ws["C1"].fill = PatternFill("solid", fgColor="FFFFFF00")
ws["D1"] = 4
ws["D1"].border = Border(left=Side("thin", color="FF00FF00"), bottom=Side("double"))
ws["E1"] = "wrap"
ws["E1"].alignment = Alignment(horizontal="center", vertical="top", wrap_text=True, text_rotation=45, indent=2)
ws["F1"] = 5
ws["F1"].protection = Protection(locked=False, hidden=True)
ws["G1"] = 0.5
ws["G1"].number_format = "0%"
ws["H1"] = 1
ws["H1"].font = Font(color=Color(theme=4, tint=0.3999755851924192))
ws["I1"] = datetime.datetime(2024, 1, 5, 12, 0)
ws.column_dimensions["B"].width = 20
ws.row_dimensions[3].height = 40
ws.merge_cells("A5:C6")
wb.create_sheet("Hidden").sheet_state = "hidden"
wb.create_sheet("VeryHidden").sheet_state = "veryHidden"
chart = BarChart()
chart.add_data(Reference(ws, min_col=2, min_row=1, max_col=4, max_row=1))
wb.create_chartsheet("Chart").add_chart(chart)
wb.save(sys.argv[1])

mac = openpyxl.Workbook()
mac.epoch = CALENDAR_MAC_1904
mac.active["A1"] = datetime.datetime(2024, 1, 5)
mac.save(sys.argv[2])
)PY";

class XlsxReaderOpenpyxl : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new tabrix::test::TempDir;
        std::string script = s_dir->file("make.py");
        tabrix::test::writeFile(script, kMakeBook);
        std::string command = "/usr/bin/python3 " + script + " " + s_dir->file("styled.xlsx") + " " +
                              s_dir->file("mac.xlsx");
        s_made = std::system(command.c_str()) == 0;
    }
    static void TearDownTestSuite() { delete s_dir; }
    void SetUp() override { ASSERT_TRUE(s_made) << "openpyxl could not write the test workbooks"; }

    static const Style& styleAt(const BookData& book, const SheetData& sheet, uint32_t row, uint32_t col) {
        const Cell* c = sheet.find(row, col);
        return book.styles.get(c ? c->style : 0);
    }

    static tabrix::test::TempDir* s_dir;
    static bool s_made;
};
tabrix::test::TempDir* XlsxReaderOpenpyxl::s_dir = nullptr;
bool XlsxReaderOpenpyxl::s_made = false;

} // namespace

TEST_F(XlsxReaderOpenpyxl, StylesAreReadInFull) {
    auto book = xlsx::readXlsx(s_dir->file("styled.xlsx"));
    SheetData& s = *book->sheets[0];
    s.ensureLoaded();
    const Font& font = styleAt(*book, s, 0, 0).font;
    EXPECT_EQ(font.name, "Arial");
    EXPECT_DOUBLE_EQ(font.size, 14);
    EXPECT_TRUE(font.bold);
    EXPECT_TRUE(font.italic);
    EXPECT_EQ(font.underline, Underline::Double);
    EXPECT_EQ(font.color, 0xFF0000FFu);
    EXPECT_EQ(styleAt(*book, s, 0, 1).numFmt, "#,##0.00");
    const Fill& fill = styleAt(*book, s, 0, 2).fill;
    EXPECT_EQ(fill.pattern, 1);
    EXPECT_EQ(fill.fg, 0xFFFFFF00u);
    const Border& border = styleAt(*book, s, 0, 3).border;
    EXPECT_EQ(border.left.style, 1);
    EXPECT_EQ(border.left.color, 0xFF00FF00u);
    EXPECT_EQ(border.bottom.style, 6);
    EXPECT_EQ(border.top.style, 0);
    const Alignment& align = styleAt(*book, s, 0, 4).alignment;
    EXPECT_EQ(align.horizontal, 2);
    EXPECT_EQ(align.vertical, 0);
    EXPECT_TRUE(align.wrap);
    EXPECT_EQ(align.rotation, 45);
    EXPECT_EQ(align.indent, 2);
    const Protection& prot = styleAt(*book, s, 0, 5).protection;
    EXPECT_FALSE(prot.locked);
    EXPECT_TRUE(prot.hidden);
    EXPECT_EQ(styleAt(*book, s, 0, 6).numFmt, "0%") << "built-in format 9 named by id only";
    // Accent 1 of the default theme, 40 % lighter, is the application's 95B3D7.
    Argb tinted = styleAt(*book, s, 0, 7).font.color;
    EXPECT_NEAR(double((tinted >> 16) & 0xFF), 0x95, 1);
    EXPECT_NEAR(double((tinted >> 8) & 0xFF), 0xB3, 1);
    EXPECT_NEAR(double(tinted & 0xFF), 0xD7, 1);
    EXPECT_DOUBLE_EQ(s.find(0, 8)->number, 45296.5);
    EXPECT_EQ(styleAt(*book, s, 0, 0).font, book->styles.get(s.find(0, 0)->style).font);
    EXPECT_EQ(book->styles.get(0).font.name, "Calibri") << "xf 0 is the default style";
}

TEST_F(XlsxReaderOpenpyxl, SheetFormattingVisibilityAndChartSheetAreKept) {
    auto book = xlsx::readXlsx(s_dir->file("styled.xlsx"));
    ASSERT_EQ(book->sheets.size(), 4u);
    EXPECT_EQ(book->sheets[1]->visibility, Visibility::Hidden);
    EXPECT_EQ(book->sheets[2]->visibility, Visibility::VeryHidden);
    SheetData& chart = *book->sheets[3];
    EXPECT_EQ(chart.name, "Chart");
    EXPECT_EQ(chart.kind, SheetKind::Chart);
    chart.ensureLoaded();
    bool hasChartPart = false;
    for (const auto& part : chart.opaqueParts) hasChartPart |= part.path.find("charts/chart") != std::string::npos;
    EXPECT_TRUE(hasChartPart);
    SheetData& s = *book->sheets[0];
    s.ensureLoaded();
    const ColumnInfo* b = s.columnInfo(1);
    ASSERT_NE(b, nullptr);
    EXPECT_NEAR(b->width, 20, 0.75) << "openpyxl stores the width as given, padding not added";
    EXPECT_FLOAT_EQ(s.row(2)->height, 40);
    ASSERT_EQ(s.merged.size(), 1u);
    EXPECT_EQ(s.merged[0], (CellRect{4, 0, 5, 2}));
}

TEST_F(XlsxReaderOpenpyxl, DatesOfA1904WorkbookStayIn1904Serials) {
    auto book = xlsx::readXlsx(s_dir->file("mac.xlsx"));
    EXPECT_TRUE(book->date1904);
    SheetData& s = *book->sheets[0];
    s.ensureLoaded();
    ASSERT_NE(s.find(0, 0), nullptr);
    EXPECT_DOUBLE_EQ(s.find(0, 0)->number, 45296 - 1462);
}
