#pragma once

#include <filesystem>
#include <string>

namespace tabrix::test {

/// A fresh, empty folder under the system temp folder, removed when the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return m_path; }
    std::string file(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

std::filesystem::path corpusDir();
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& data);

} // namespace tabrix::test
