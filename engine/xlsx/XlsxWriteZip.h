#pragma once

#include <deque>
#include <string>
#include <vector>

struct zip;

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
    void commit();

private:
    zip* m_zip;
    std::string m_path;
    std::deque<std::string> m_pending; ///< data of written parts; the zip library reads it only on commit
    [[noreturn]] void fail(const std::string& what) const;
};

} // namespace tabrix::engine::xlsx
