#include "engine/xlsx/XlsxWriteZip.h"

#include "engine/EngineError.h"

#include <zip.h>


namespace tabrix::engine::xlsx {

XlsxPackageEditor::XlsxPackageEditor(const std::string& path) : m_zip(nullptr), m_path(path) {
    int code = 0;
    m_zip = zip_open(path.c_str(), 0, &code);
    if (!m_zip) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        std::string what = zip_error_strerror(&error);
        zip_error_fini(&error);
        fail("无法重新打开刚写出的文件（" + what + "）");
    }
}

XlsxPackageEditor::~XlsxPackageEditor() {
    if (m_zip) zip_discard(m_zip);
}

std::vector<std::string> XlsxPackageEditor::partNames() const {
    std::vector<std::string> names;
    zip_int64_t count = zip_get_num_entries(m_zip, 0);
    for (zip_int64_t i = 0; i < count; ++i)
        if (const char* name = zip_get_name(m_zip, static_cast<zip_uint64_t>(i), 0)) names.emplace_back(name);
    return names;
}

bool XlsxPackageEditor::has(const std::string& part) const { return zip_name_locate(m_zip, part.c_str(), 0) >= 0; }

std::string XlsxPackageEditor::read(const std::string& part) const {
    zip_int64_t index = zip_name_locate(m_zip, part.c_str(), 0);
    zip_stat_t st;
    if (index < 0 || zip_stat_index(m_zip, static_cast<zip_uint64_t>(index), 0, &st) != 0)
        fail("文件中缺少 " + part);
    zip_file_t* file = zip_fopen_index(m_zip, static_cast<zip_uint64_t>(index), 0);
    if (!file) fail("无法读取 " + part + "（" + zip_strerror(m_zip) + "）");
    std::string data(st.size, '\0');
    zip_int64_t got = zip_fread(file, data.data(), st.size);
    zip_fclose(file);
    if (got < 0 || static_cast<zip_uint64_t>(got) != st.size) fail("无法读取 " + part);
    return data;
}

void XlsxPackageEditor::write(const std::string& part, std::string data) {
    m_pending.push_back(std::move(data));
    const std::string& kept = m_pending.back();
    zip_source_t* source = zip_source_buffer(m_zip, kept.data(), kept.size(), 0);
    if (!source) fail("内存不足");
    add(part, source);
}

void XlsxPackageEditor::writeFile(const std::string& part, std::FILE* file, int level) {
    zip_source_t* source = zip_source_filep(m_zip, file, 0, -1);
    if (!source) {
        std::fclose(file);
        fail("内存不足");
    }
    // libzip 1.7 forgets the compression level of an entry replaced in place, and then deflates at its
    // slowest level; an entry deleted and added anew keeps it.
    zip_int64_t old = zip_name_locate(m_zip, part.c_str(), 0);
    if (old >= 0) zip_delete(m_zip, static_cast<zip_uint64_t>(old));
    add(part, source);
    zip_int64_t index = zip_name_locate(m_zip, part.c_str(), 0);
    if (index < 0 || zip_set_file_compression(m_zip, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE,
                                              static_cast<zip_uint32_t>(level)) != 0)
        fail("无法设置 " + part + " 的压缩方式");
}

void XlsxPackageEditor::add(const std::string& part, zip_source_t* source) {
    zip_int64_t index = zip_file_add(m_zip, part.c_str(), source, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        fail("无法写入 " + part + "（" + zip_strerror(m_zip) + "）");
    }
}

void XlsxPackageEditor::commit() {
    // The library writes a new file beside the old one and renames it over, so a failure leaves the first one.
    if (zip_close(m_zip) != 0) {
        std::string what = zip_strerror(m_zip);
        fail("写入文件时出错（" + what + "）");
    }
    m_zip = nullptr;
}

void XlsxPackageEditor::fail(const std::string& what) const { throw EngineError(m_path + ": 保存失败，" + what); }

} // namespace tabrix::engine::xlsx
