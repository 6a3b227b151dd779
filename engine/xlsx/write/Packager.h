#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tabrix::engine::zipfile {
class ZipWriter;
}

namespace tabrix::engine::xlsx {

/// Assembles a package: parts are added in the order they go into the file, then write() deflates them into a zip
/// at the path. Parts produced while the file is written (worksheets) are read and deflated ahead on as many
/// threads as there are cores while the file is written in order; a part too large for one piece is deflated
/// block by block, itself on every core. Throws EngineError naming the file.
class Packager {
public:
    /// A part whose content is at hand.
    void add(std::string_view name, std::string data);
    /// A part produced by read(buffer, capacity) (bytes put there, 0 at the end), called during write().
    void addStream(std::string_view name, std::function<size_t(char*, size_t)> read, int level);
    void write(const std::string& path);
    /// The same into memory: the package's bytes. name is what messages call the package.
    std::string writeToMemory(const std::string& name);

private:
    struct Part {
        std::string name;
        std::string data;
        std::function<size_t(char*, size_t)> reader;
        int level = 6;
    };
    std::vector<Part> m_parts;
    void writeTo(zipfile::ZipWriter& out);
};

} // namespace tabrix::engine::xlsx
