#include "engine/xls/XlsWriter.h"

#include "engine/EngineError.h"
#include "engine/crypto/BiffProtection.h"
#include "engine/xls/GsfLibrary.h"
#include "engine/xls/Biff8WriteGlobals.h"
#include "engine/xls/Biff8WriteLinks.h"
#include "engine/xls/Biff8WriteSheet.h"
#include "engine/xls/Biff8WriteSst.h"
#include "engine/xls/Biff8WriteStyles.h"
#include "engine/xls/XlsWriterPlan.h"

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>


namespace tabrix::engine::xls {

namespace {

// Owns a GObject reference for the length of a scope.
template <typename T> struct GRef {
    T* p = nullptr;
    ~GRef() {
        if (p) g_object_unref(p);
    }
};

std::string gsfError(GsfOutput* out, GError* err) {
    if (err && err->message) return err->message;
    if (const GError* e = out ? gsf_output_error(out) : nullptr; e && e->message) return e->message;
    return "未知错误";
}

// The OLE2 compound file with its one "Workbook" stream; libgsf puts a stream of 4 KB or more in big blocks.
void writeContainer(const std::string& path, const std::vector<const std::string*>& pieces) {
    ensureGsfReady();
    GError* err = nullptr;
    GRef<GsfOutput> sink{gsf_output_stdio_new(path.c_str(), &err)};
    if (!sink.p) {
        std::string why = gsfError(nullptr, err);
        if (err) g_error_free(err);
        throw EngineError(path + ": 无法创建文件（" + why + "）");
    }
    GRef<GsfOutfile> ole{gsf_outfile_msole_new(sink.p)};
    GRef<GsfOutput> stream{gsf_outfile_new_child(ole.p, "Workbook", FALSE)};
    bool ok = stream.p != nullptr;
    for (const std::string* piece : pieces) {
        if (!ok) break;
        ok = gsf_output_write(stream.p, piece->size(), reinterpret_cast<const guint8*>(piece->data()));
    }
    std::string why = ok ? std::string() : gsfError(stream.p, nullptr);
    if (stream.p && !gsf_output_close(stream.p) && ok) ok = false, why = gsfError(stream.p, nullptr);
    if (!gsf_output_close(GSF_OUTPUT(ole.p)) && ok) ok = false, why = gsfError(GSF_OUTPUT(ole.p), nullptr);
    if (!ok) throw EngineError(path + ": 写入文件失败（" + why + "）");
}

} // namespace

void writeXls(BookData& book, const std::string& path, std::vector<std::string>& warnings,
              const crypto::BiffRc4CryptoApiWriter* encryption) {
    std::vector<std::string> log;
    const XlsWritePlan plan = planXlsWrite(book, log);

    Biff8WriteStyles styles(book.styles);
    markUsedStyles(plan, styles);
    styles.build(log);
    Biff8WriteSst sst(book.strings.size());
    std::vector<std::string> sheetNames;
    for (const auto& entry : plan.sheets)
        sheetNames.push_back(entry.sheet->name);
    Biff8WriteLinks links(book, sheetNames, plan.fileIndex, log);
    Biff8WriteBook context{book, styles, sst, links, log};

    std::vector<Biff8SheetStream> streams;
    streams.reserve(plan.sheets.size());
    for (size_t i = 0; i < plan.sheets.size(); ++i)
        streams.push_back(Biff8WriteSheet(context, *plan.sheets[i].sheet, int(i), i == plan.activeSheet).write());
    links.encodeNames(log);

    Biff8WriteBuffer globals;
    std::vector<size_t> boundSheets =
        writeBiff8Globals(globals, book, plan.sheets, plan.activeSheet, styles, links, sst,
                          encryption ? &encryption->filePass() : nullptr);
    size_t offset = globals.size();
    std::vector<const std::string*> pieces{&globals.bytes()};
    for (size_t i = 0; i < streams.size(); ++i) {
        if (offset + streams[i].out.size() > UINT32_MAX)
            throw EngineError(path + ": 工作簿太大，超出 2003 格式的文件大小上限");
        globals.patch32(boundSheets[i], static_cast<uint32_t>(offset));
        streams[i].place(static_cast<uint32_t>(offset));
        offset += streams[i].out.size();
        pieces.push_back(&streams[i].out.bytes());
    }
    if (encryption) {
        // Record positions decide the key stream, so the whole stream is encrypted as one piece.
        std::string whole;
        whole.reserve(offset);
        for (const std::string* piece : pieces) whole += *piece;
        encryption->encrypt({reinterpret_cast<uint8_t*>(whole.data()), whole.size()});
        writeContainer(path, {&whole});
    } else {
        writeContainer(path, pieces);
    }
    warnings.insert(warnings.end(), log.begin(), log.end());
}

} // namespace tabrix::engine::xls
