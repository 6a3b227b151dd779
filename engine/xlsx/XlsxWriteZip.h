#pragma once

#include <cstdint>
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
    /// How hard a stored part is deflated when it is copied.
    static constexpr int kCopiedPartLevel = 1;

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
    /// The same with content produced while the package is written: read(buffer, capacity) returns how many
    /// bytes it put there, 0 at the end. It is called during commit(), so what it reads must live until then.
    void writeStream(const std::string& part, std::function<size_t(char*, size_t)> read, int level);
    /// Writes the changed package over the opened file, or to destination when one is given (the opened file is
    /// then left as it was).
    void commit(const std::string& destination = {});

private:
    /// A part's new content: the data itself, or a function that produces it.
    struct Replacement {
        std::string part;
        std::string data;
        std::function<size_t(char*, size_t)> reader;
        int level = 6;
    };
    ::zip* m_zip;
    std::string m_path;
    std::vector<Replacement> m_replacements;
    Replacement& replacementFor(const std::string& part);
    void copyEntry(class ZipWriter& out, uint64_t index) const;
    static std::function<size_t(char*, size_t)> source(Replacement& r);
    [[noreturn]] void fail(const std::string& what) const;
};

} // namespace tabrix::engine::xlsx
