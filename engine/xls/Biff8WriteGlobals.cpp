#include "engine/xls/Biff8WriteGlobals.h"

#include "engine/xls/Biff8WriteText.h"

#include <cstring>

namespace tabrix::engine::xls {

namespace {

constexpr uint16_t kCodePageUtf16 = 1200;
constexpr uint16_t kWriteAccessSize = 112;
constexpr std::string_view kUserName = "Tabrix";

void writeBof(Biff8WriteBuffer& out) {
    char* p = out.record(rec::Bof, 16);
    Biff8WriteBuffer::put16(p, kBiff8);
    Biff8WriteBuffer::put16(p + 2, kSubstreamGlobals);
    Biff8WriteBuffer::put16(p + 4, 0x0DBB);
    Biff8WriteBuffer::put16(p + 6, 0x07CC);
    Biff8WriteBuffer::put32(p + 8, 0x00000001);
    Biff8WriteBuffer::put32(p + 12, 0x00000006);
}

// The records before the formatting ones, in the order the format lays them out; all but the code page, the
// active tab and the date system are the plain defaults of a new workbook.
void writeHead(Biff8WriteBuffer& out, const BookData& book, size_t sheetCount, uint16_t activeSheet,
               const std::vector<uint8_t>* filePass) {
    writeBof(out);
    if (filePass) {
        char* p = out.record(rec::FilePass, static_cast<uint16_t>(filePass->size()));
        std::memcpy(p, filePass->data(), filePass->size());
    }
    out.record16(wrec::InterfaceHdr, kCodePageUtf16);
    out.record16(wrec::Mms, 0);
    out.emptyRecord(wrec::InterfaceEnd);
    char* p = out.record(wrec::WriteAccess, kWriteAccessSize);
    std::memset(p, ' ', kWriteAccessSize);
    Biff8WriteBuffer::put16(p, static_cast<uint16_t>(kUserName.size()));
    p[2] = 0;
    std::memcpy(p + 3, kUserName.data(), kUserName.size());
    out.record16(rec::CodePage, kCodePageUtf16);
    out.record16(wrec::Dsf, 0);
    p = out.record(wrec::RrTabId, static_cast<uint16_t>(2 * sheetCount));
    for (size_t i = 0; i < sheetCount; ++i)
        Biff8WriteBuffer::put16(p + 2 * i, static_cast<uint16_t>(i + 1));
    out.record16(wrec::FnGroupCount, 14);
    out.record16(wrec::WindowProtect, 0);
    out.record16(rec::Protect, 0);
    out.record16(wrec::Password, 0);
    out.record16(wrec::Prot4Rev, 0);
    out.record16(wrec::Prot4RevPass, 0);

    p = out.record(rec::Window1, 18);
    Biff8WriteBuffer::put16(p, 0x0168);
    Biff8WriteBuffer::put16(p + 2, 0x001E);
    Biff8WriteBuffer::put16(p + 4, 0x4000);
    Biff8WriteBuffer::put16(p + 6, 0x2000);
    Biff8WriteBuffer::put16(p + 8, 0x0038); // scroll bars and sheet tabs shown
    Biff8WriteBuffer::put16(p + 10, activeSheet);
    Biff8WriteBuffer::put16(p + 12, 0);
    Biff8WriteBuffer::put16(p + 14, 1);
    Biff8WriteBuffer::put16(p + 16, 600);

    out.record16(wrec::Backup, 0);
    out.record16(wrec::HideObj, 0);
    out.record16(rec::DateMode, book.date1904 ? 1 : 0);
    out.record16(wrec::Precision, 1);
    out.record16(wrec::RefreshAll, 0);
    out.record16(wrec::BookBool, 0);
}

std::vector<size_t> writeBoundSheets(Biff8WriteBuffer& out, const std::vector<Biff8SheetEntry>& sheets) {
    std::vector<size_t> positions;
    for (const Biff8SheetEntry& entry : sheets) {
        size_t at = out.begin(rec::BoundSheet);
        positions.push_back(out.size());
        out.u32(0);
        out.u8(static_cast<uint8_t>(entry.visibility));
        out.u8(0); // worksheet
        writeShortString(out, entry.name);
        out.end(at);
    }
    return positions;
}

} // namespace

std::vector<size_t> writeBiff8Globals(Biff8WriteBuffer& out, const BookData& book,
                                      const std::vector<Biff8SheetEntry>& sheets, uint16_t activeSheet,
                                      const Biff8WriteStyles& styles, const Biff8WriteLinks& links,
                                      const Biff8WriteSst& sst, const std::vector<uint8_t>* filePass) {
    writeHead(out, book, sheets.size(), activeSheet, filePass);
    styles.write(out);
    out.record16(wrec::UsesElfs, 0);
    std::vector<size_t> positions = writeBoundSheets(out, sheets);
    char* p = out.record(wrec::Country, 4);
    Biff8WriteBuffer::put16(p, 1);
    Biff8WriteBuffer::put16(p + 2, 86); // China, for the workbook's regional settings
    links.write(out);
    sst.write(out);
    out.emptyRecord(rec::Eof);
    return positions;
}

} // namespace tabrix::engine::xls
