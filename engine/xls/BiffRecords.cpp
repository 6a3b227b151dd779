#include "engine/xls/BiffRecords.h"

#include <cstdio>

namespace tabrix::engine::xls {

std::string recordName(uint16_t id) {
    switch (id) {
    case rec::Formula: return "FORMULA";
    case rec::Eof: return "EOF";
    case rec::ExternSheet: return "EXTERNSHEET";
    case rec::ExternName: return "EXTERNNAME";
    case rec::Name: return "NAME";
    case rec::DateMode: return "DATEMODE";
    case rec::FilePass: return "FILEPASS";
    case rec::Font: return "FONT";
    case rec::Continue: return "CONTINUE";
    case rec::Window1: return "WINDOW1";
    case rec::CodePage: return "CODEPAGE";
    case rec::DefColWidth: return "DEFCOLWIDTH";
    case rec::ColInfo: return "COLINFO";
    case rec::WsBool: return "WSBOOL";
    case rec::BoundSheet: return "BOUNDSHEET";
    case rec::Palette: return "PALETTE";
    case rec::StandardWidth: return "STANDARDWIDTH";
    case rec::MulRk: return "MULRK";
    case rec::MulBlank: return "MULBLANK";
    case rec::RString: return "RSTRING";
    case rec::Xf: return "XF";
    case rec::MergedCells: return "MERGEDCELLS";
    case rec::Sst: return "SST";
    case rec::LabelSst: return "LABELSST";
    case rec::SupBook: return "SUPBOOK";
    case rec::Blank: return "BLANK";
    case rec::Number: return "NUMBER";
    case rec::Label: return "LABEL";
    case rec::BoolErr: return "BOOLERR";
    case rec::String: return "STRING";
    case rec::Row: return "ROW";
    case rec::Array: return "ARRAY";
    case rec::DefaultRowHeight: return "DEFAULTROWHEIGHT";
    case rec::Rk: return "RK";
    case rec::Format: return "FORMAT";
    case rec::ShrFmla: return "SHRFMLA";
    case rec::Bof: return "BOF";
    default: break;
    }
    char buf[24];
    std::snprintf(buf, sizeof buf, "记录 0x%04X", unsigned(id));
    return buf;
}

} // namespace tabrix::engine::xls
