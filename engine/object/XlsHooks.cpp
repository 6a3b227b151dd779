#include "engine/object/XlsHooks.h"

#include "engine/EngineError.h"

namespace tabrix::engine {

// The 2003 format arrives with the BIFF reader and writer; until then both directions say so plainly.
std::unique_ptr<BookData> readXlsFile(const std::string& path) {
    throw EngineError(path + ": 暂不支持读取 2003 格式（.xls）的工作簿");
}

void writeXlsFile(BookData&, const std::string& path, std::vector<std::string>&) {
    throw EngineError(path + ": 暂不支持保存为 2003 格式（.xls）");
}

} // namespace tabrix::engine
