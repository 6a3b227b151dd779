#include "engine/xlsx/LibraryPartsStored.h"

#include <dlfcn.h>

// libxlsxwriter zips the parts it writes (styles, theme, relationships, the empty sheets) through minizip at
// zlib's default level. For a small workbook that is most of the time a save takes: thousands of parts of a few
// kilobytes, each with a fresh zlib state. The packages our writer makes go through our package editor
// afterwards, which deflates stored parts far faster, so while the writer closes a workbook (a LibraryPartsStored
// on its thread) the library's call into minizip is taken over and its parts are stored instead. This definition
// stands before minizip's for the library, being part of the program; the call goes on to minizip's own, with the
// method and level changed only inside that scope. The signature is minizip 1.1's.
extern "C" int zipOpenNewFileInZip4_64(void* file, const char* filename, const void* zipfi, const void* extrafieldLocal,
                                       unsigned sizeExtrafieldLocal, const void* extrafieldGlobal,
                                       unsigned sizeExtrafieldGlobal, const char* comment, int method, int level,
                                       int raw, int windowBits, int memLevel, int strategy, const char* password,
                                       unsigned long crcForCrypting, unsigned long versionMadeBy,
                                       unsigned long flagBase, int zip64);

namespace {
using OpenEntry = decltype(&zipOpenNewFileInZip4_64);
thread_local bool t_storing = false;
thread_local bool t_stored = false;

OpenEntry minizipOpenEntry() {
    static const OpenEntry real = reinterpret_cast<OpenEntry>(dlsym(RTLD_NEXT, "zipOpenNewFileInZip4_64"));
    return real;
}
} // namespace

extern "C" int zipOpenNewFileInZip4_64(void* file, const char* filename, const void* zipfi, const void* extrafieldLocal,
                                       unsigned sizeExtrafieldLocal, const void* extrafieldGlobal,
                                       unsigned sizeExtrafieldGlobal, const char* comment, int method, int level,
                                       int raw, int windowBits, int memLevel, int strategy, const char* password,
                                       unsigned long crcForCrypting, unsigned long versionMadeBy,
                                       unsigned long flagBase, int zip64) {
    const OpenEntry real = minizipOpenEntry();
    if (!real) return -104; // ZIP_INTERNALERROR: the library then reports a failed save
    constexpr int kStored = 0;
    if (t_storing && method != kStored && !raw) {
        method = kStored;
        level = 0;
        t_stored = true;
    }
    return real(file, filename, zipfi, extrafieldLocal, sizeExtrafieldLocal, extrafieldGlobal, sizeExtrafieldGlobal,
                comment, method, level, raw, windowBits, memLevel, strategy, password, crcForCrypting, versionMadeBy,
                flagBase, zip64);
}

namespace tabrix::engine::xlsx {

LibraryPartsStored::LibraryPartsStored() : m_outer(!t_storing) {
    if (m_outer) t_stored = false;
    t_storing = true;
}

LibraryPartsStored::~LibraryPartsStored() {
    if (m_outer) t_storing = false;
}

bool LibraryPartsStored::any() const {
    return t_stored;
}

} // namespace tabrix::engine::xlsx
