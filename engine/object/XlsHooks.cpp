#include "engine/object/XlsHooks.h"

#include "engine/EngineError.h"
#include "engine/xls/XlsReader.h"

namespace tabrix::engine {

std::unique_ptr<BookData> readXlsFile(const std::string& path) { return xls::readXls(path); }

void writeXlsFile(BookData&, const std::string& path, std::vector<std::string>&) {
    throw EngineError(path + ": 暂不支持保存为 2003 格式（.xls）");
}

} // namespace tabrix::engine
