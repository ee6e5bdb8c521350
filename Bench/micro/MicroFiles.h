// Input of the micro-benchmarks: exchange file lines as MAPGIS writes them, and a scratch
// file that holds many of them.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace micro {

// A point line, a style line and a text record line of the exchange formats.
inline constexpr char kPointLine[] = "38512345.678901,3412345.678901";
inline constexpr char kStyleLine[] = "3,0,17,1.5,0,0,0,0,0";
inline constexpr char kTextRecordAscii[] =
    "38518405.399970,3417014.261750,28,0,\"Renmin Road\",2.50,2.50,0.00,0.00,0,0,0,0,39,0,0";
// The same record with a GBK name (U+4EBA U+6C11 U+8DEF).
inline constexpr char kTextRecordGbk[] =
    "38518405.399970,3417014.261750,28,0,\"\xC8\xCB\xC3\xF1\xC2\xB7\",2.50,2.50,0.00,0.00,0,0,0,"
    "0,39,0,0";

// A file in the system's temporary folder holding nLines copies of a line (CRLF ends),
// removed when the object goes.
class ScratchFile {
public:
    ScratchFile(const std::string& line, int nLines) {
        char szPath[] = "/tmp/mapgis-micro-XXXXXX";
        const int fd = mkstemp(szPath);
        if (fd < 0)
            std::abort();
        m_path = szPath;
        std::string text;
        for (int i = 0; i < nLines; ++i)
            text += line + "\r\n";
        if (write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
            std::abort();
        close(fd);
        m_nBytes = static_cast<long long>(text.size());
    }
    ~ScratchFile() { unlink(m_path.c_str()); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::string& Path() const { return m_path; }
    long long Bytes() const { return m_nBytes; }

private:
    std::string m_path;
    long long m_nBytes = 0;
};

}  // namespace micro
