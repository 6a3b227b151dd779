#include "support/TestPaths.h"

#include <fstream>
#include <random>
#include <sstream>

namespace tabrix::test {

TempDir::TempDir() {
    std::random_device rd;
    m_path = std::filesystem::temp_directory_path() / ("tabrix-test-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(m_path);
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::filesystem::path corpusDir() { return TABRIX_CORPUS_DIR; }

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void writeFile(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary);
    out << data;
}

} // namespace tabrix::test
