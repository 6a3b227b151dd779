#include "engine/object/XlsHooks.h"

#include "engine/EngineError.h"
#include "engine/xls/XlsWriter.h"

namespace tabrix::engine {

void writeXlsFile(BookData& book, const std::string& path, std::vector<std::string>& warnings) {
    xls::writeXls(book, path, warnings);
}

} // namespace tabrix::engine
