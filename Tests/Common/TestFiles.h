// Helpers for tests that write small exchange files of their own.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace testfiles {

// A fresh folder below the system's temporary folder, removed with everything in it when
// the object goes.
class TempDir {
public:
    TempDir() {
        std::string tmpl = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") +
                           "/mapgis-test-XXXXXX";
        char* p = mkdtemp(tmpl.data());
        if (p != nullptr)
            m_path = p;
    }
    ~TempDir() {
        if (!m_path.empty())
            std::system(("rm -rf '" + m_path + "'").c_str());
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }

    // Writes bytes to a file of that name in the folder and returns its full path.
    std::string Write(const std::string& name, const std::string& bytes) const {
        std::string full = m_path + "/" + name;
        std::ofstream out(full, std::ios::binary);
        out << bytes;
        return full;
    }

private:
    std::string m_path;
};

// The bytes of a file; empty when it cannot be read.
inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline std::string DataFile(const std::string& name) {
    return std::string(MAPGIS_TEST_DATA_DIR) + "/" + name;
}

}  // namespace testfiles
