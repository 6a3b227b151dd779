#pragma once

#include <cstdio>
#include <deque>
#include <string>
#include <vector>

struct zip;
struct zip_source;

namespace tabrix::engine::xlsx {


/// An xlsx package opened to change a few of its parts. Nothing reaches the disk until commit(); parts not
/// replaced are copied into the new file without being inflated. Throws EngineError naming the file.
class XlsxPackageEditor {
public:
    explicit XlsxPackageEditor(const std::string& path);
    ~XlsxPackageEditor();
    XlsxPackageEditor(const XlsxPackageEditor&) = delete;
    XlsxPackageEditor& operator=(const XlsxPackageEditor&) = delete;

    std::vector<std::string> partNames() const;
    bool has(const std::string& part) const;
    /// The inflated part; throws when it is missing.
    std::string read(const std::string& part) const;
    /// Replaces the part, or adds it when the package has none of that name.
    void write(const std::string& part, std::string data);
    /// The same with the whole content of a temporary file (which the editor closes), deflated at level
    /// (1 fastest ... 9 smallest).
    void writeFile(const std::string& part, std::FILE* file, int level);
    void commit();

private:
    ::zip* m_zip;
    std::string m_path;
    std::deque<std::string> m_pending; ///< data of written parts; the zip library reads it only on commit
    void add(const std::string& part, ::zip_source* source);
    [[noreturn]] void fail(const std::string& what) const;
};

} // namespace tabrix::engine::xlsx
