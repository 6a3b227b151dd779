#pragma once

#include <cstdint>
#include <string>

namespace tabrix::engine::xls {

/// Record numbers of the 2003 format (BIFF5/7 and BIFF8) that the reader looks at.
namespace rec {
inline constexpr uint16_t Formula = 0x0006;
// The FORMULA numbers of BIFF3 and BIFF4, which some writers still use inside BIFF5/BIFF8 streams.
inline constexpr uint16_t Formula3 = 0x0206;
inline constexpr uint16_t Formula4 = 0x0406;
// BIFF2 cell records, which some writers still put into BIFF5/BIFF8 streams: row, column, 3 bytes of cell
// attributes instead of an XF index, then the value.
inline constexpr uint16_t Blank2 = 0x0001;
inline constexpr uint16_t Integer2 = 0x0002;
inline constexpr uint16_t Number2 = 0x0003;
inline constexpr uint16_t Label2 = 0x0004;
inline constexpr uint16_t BoolErr2 = 0x0005;
inline constexpr uint16_t Eof = 0x000A;
inline constexpr uint16_t ExternSheet = 0x0017;
inline constexpr uint16_t ExternName = 0x0023;
inline constexpr uint16_t Name = 0x0018;
inline constexpr uint16_t Note = 0x001C;
inline constexpr uint16_t DateMode = 0x0022;
inline constexpr uint16_t FilePass = 0x002F;
inline constexpr uint16_t Font = 0x0031;
inline constexpr uint16_t Continue = 0x003C;
inline constexpr uint16_t Window1 = 0x003D;
inline constexpr uint16_t Pane = 0x0041;
inline constexpr uint16_t CodePage = 0x0042;
inline constexpr uint16_t Protect = 0x0012;
inline constexpr uint16_t DefColWidth = 0x0055;
inline constexpr uint16_t ColInfo = 0x007D;
inline constexpr uint16_t WsBool = 0x0081;
inline constexpr uint16_t BoundSheet = 0x0085;
inline constexpr uint16_t Palette = 0x0092;
inline constexpr uint16_t StandardWidth = 0x0099;
inline constexpr uint16_t AutoFilterInfo = 0x009D;
inline constexpr uint16_t SxView = 0x00B0;
inline constexpr uint16_t MulRk = 0x00BD;
inline constexpr uint16_t MulBlank = 0x00BE;
inline constexpr uint16_t RString = 0x00D6;
inline constexpr uint16_t Xf = 0x00E0;
inline constexpr uint16_t MergedCells = 0x00E5;
inline constexpr uint16_t MsoDrawing = 0x00EC;
inline constexpr uint16_t Sst = 0x00FC;
inline constexpr uint16_t LabelSst = 0x00FD;
inline constexpr uint16_t ExtSst = 0x00FF;
inline constexpr uint16_t SupBook = 0x01AE;
inline constexpr uint16_t CondFmt = 0x01B0;
inline constexpr uint16_t DVal = 0x01B2;
inline constexpr uint16_t HLink = 0x01B8;
inline constexpr uint16_t Dimensions = 0x0200;
inline constexpr uint16_t Blank = 0x0201;
inline constexpr uint16_t Number = 0x0203;
inline constexpr uint16_t Label = 0x0204;
inline constexpr uint16_t BoolErr = 0x0205;
inline constexpr uint16_t String = 0x0207;
inline constexpr uint16_t Row = 0x0208;
inline constexpr uint16_t Array = 0x0221;
inline constexpr uint16_t DefaultRowHeight = 0x0225;
inline constexpr uint16_t Window2 = 0x023E;
inline constexpr uint16_t Table = 0x0236;
inline constexpr uint16_t Rk = 0x027E;
inline constexpr uint16_t Format = 0x041E;
inline constexpr uint16_t ShrFmla = 0x04BC;
inline constexpr uint16_t Obj = 0x005D;
inline constexpr uint16_t Xct = 0x0059;
inline constexpr uint16_t Crn = 0x005A;
inline constexpr uint16_t Bof = 0x0809;
// BOF numbers of BIFF2, BIFF3 and BIFF4, which this reader recognises only to say it cannot read them.
inline constexpr uint16_t Bof2 = 0x0009;
inline constexpr uint16_t Bof3 = 0x0209;
inline constexpr uint16_t Bof4 = 0x0409;
} // namespace rec

/// BOF versions and substream types.
inline constexpr uint16_t kBiff5 = 0x0500;
inline constexpr uint16_t kBiff8 = 0x0600;
inline constexpr uint16_t kSubstreamGlobals = 0x0005;
inline constexpr uint16_t kSubstreamWorksheet = 0x0010;
inline constexpr uint16_t kSubstreamChart = 0x0020;
inline constexpr uint16_t kSubstreamMacro = 0x0040;

/// The largest record body the format allows; longer data goes on in CONTINUE records.
inline constexpr uint16_t kMaxRecordLength = 8224;

/// Name of a record number for messages ("SST", "LABELSST"), or "record 0x1234" for one not listed.
std::string recordName(uint16_t id);

} // namespace tabrix::engine::xls
