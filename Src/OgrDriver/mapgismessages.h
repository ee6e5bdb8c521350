// Warnings of one dataset: each names the file, and a flood is cut short. After the first
// kMaxShown warnings the rest are only counted, and one summary tells how many there were.
#pragma once

#include <string>

namespace mapgis {

class MessageReporter {
public:
    static constexpr int kMaxShown = 20;

    explicit MessageReporter(std::string strFileName) : m_strFileName(std::move(strFileName)) {}

    // Emits "<file>: <text>" as a GDAL warning, or counts it once the cap is reached.
    void Warn(const std::string& strText);
    // The same for a text about line nLine of the file: "<file>:<line>: <text>".
    void WarnAt(int nLine, const std::string& strText);
    // The summary of warnings counted but not shown since the last summary, if any.
    void Flush();

    const std::string& GetFileName() const { return m_strFileName; }

private:
    std::string m_strFileName;
    int m_nTotal = 0;
    int m_nHeld = 0;
};

}  // namespace mapgis
