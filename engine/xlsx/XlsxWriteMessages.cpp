#include "engine/xlsx/XlsxWriteMessages.h"

namespace tabrix::engine::xlsx {

std::string describeLxwError(lxw_error err) {
    switch (err) {
    case LXW_ERROR_MEMORY_MALLOC_FAILED: return "内存不足";
    case LXW_ERROR_CREATING_XLSX_FILE: return "无法创建文件";
    case LXW_ERROR_CREATING_TMPFILE: return "无法创建临时文件";
    case LXW_ERROR_READING_TMPFILE: return "无法读取临时文件";
    case LXW_ERROR_ZIP_FILE_OPERATION:
    case LXW_ERROR_ZIP_FILE_ADD: return "写入文件时出错";
    case LXW_ERROR_ZIP_PARAMETER_ERROR:
    case LXW_ERROR_ZIP_BAD_ZIP_FILE: return "文件过大，无法写成压缩包";
    case LXW_ERROR_ZIP_CLOSE: return "完成文件时出错";
    case LXW_ERROR_SHEETNAME_LENGTH_EXCEEDED: return "名称超过 31 个字符";
    case LXW_ERROR_INVALID_SHEETNAME_CHARACTER: return "名称含有 : \\ / ? * [ ] 之一";
    case LXW_ERROR_SHEETNAME_START_END_APOSTROPHE: return "名称以单引号开头或结尾";
    case LXW_ERROR_SHEETNAME_ALREADY_USED: return "与另一张工作表重名";
    default: return std::string("写入文件时出错：") + lxw_strerror(err);
    }
}

} // namespace tabrix::engine::xlsx
