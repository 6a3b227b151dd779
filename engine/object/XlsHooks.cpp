#include "engine/object/XlsHooks.h"

#include "engine/EngineError.h"
#include "engine/xls/XlsReader.h"
#include "engine/xls/XlsWriter.h"

namespace tabrix::engine {

std::unique_ptr<BookData> readXlsFile(const std::string& path) { return xls::readXls(path); }

void writeXlsFile(BookData& book, const std::string& path, std::vector<std::string>& warnings) {
    xls::writeXls(book, path, warnings);
}

} // namespace tabrix::engine
