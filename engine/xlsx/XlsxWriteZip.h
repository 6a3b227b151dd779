#pragma once

#include <cstdio>
#include <functional>
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
    /// The same with content produced while the package is written: read(buffer, capacity) returns how many
    /// bytes it put there, 0 at the end. It is called during commit(), so what it reads must live until then.
    void writeStream(const std::string& part, std::function<size_t(char*, size_t)> read, int level);
    void commit();

private:
    /// A part's new content: the data itself, or a temporary file holding it.
    struct Replacement {
        std::string part;
        std::string data;
        std::FILE* file = nullptr;
        std::function<size_t(char*, size_t)> reader;
        int level = 6;
    };
    ::zip* m_zip;
    std::string m_path;
    std::vector<Replacement> m_replacements;
    Replacement& replacementFor(const std::string& part);
    void copyEntry(class ZipWriter& out, uint64_t index) const;
    [[noreturn]] void fail(const std::string& what) const;
};

} // namespace tabrix::engine::xlsx
