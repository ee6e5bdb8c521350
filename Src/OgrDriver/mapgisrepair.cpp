// Repaired reads of text records whose text holds commas.
#include "mapgisrepair.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "mapgiscensus.h"

namespace mapgis {

namespace {

// A file of one record, removed when done.
class RecordFile {
public:
    explicit RecordFile(const std::string& strRecord) {
        const char* pszDir = std::getenv("TMPDIR");
        std::string strTemplate =
            std::string(pszDir != nullptr && *pszDir != '\0' ? pszDir : "/tmp") +
            "/mapgis-repair-XXXXXX.wat";
        const int fd = mkstemps(strTemplate.data(), 4);
        if (fd < 0)
            return;
        const std::string strText = "repaired record\n1\n" + strRecord + "\n";
        const bool bWritten =
            write(fd, strText.data(), strText.size()) == static_cast<ssize_t>(strText.size());
        close(fd);
        if (bWritten) {
            m_strPath = strTemplate;
        } else {
            std::remove(strTemplate.c_str());
        }
    }
    ~RecordFile() {
        if (!m_strPath.empty())
            std::remove(m_strPath.c_str());
    }
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;

    const std::string& Path() const { return m_strPath; }

private:
    std::string m_strPath;
};

}  // namespace

void RestoreCommas(std::string& s) {
    for (char& c : s) {
        if (c == kTextComma)
            c = ',';
    }
}

ItemRead ReadRepairedRecord(const ImportSettings& settings, LayerKind eKind,
                            const std::string& strRecord) {
    ItemRead read;
    const RecordFile file(strRecord);
    if (file.Path().empty())
        return read;
    ImportSettings repaired = settings;
    repaired.strPath = file.Path();
    repaired.eCharset = KTX::PLXCharsetUTF8;
    std::string strError;
    std::vector<LogMessage> messages;
    std::shared_ptr<PluginSession> session = PluginSession::Open(repaired, &strError, &messages);
    if (!session)
        return read;
    for (int i = 0; i < session->GetLayerCount(); ++i) {
        if (LayerKindFromType(session->GetLayerSummary(i).nType) == eKind)
            return session->ReadNext(i);
    }
    return read;
}

void RestoreCommas(OGRFeature& feature) {
    for (int i = 0; i < feature.GetFieldCount(); ++i) {
        if (feature.GetFieldDefnRef(i)->GetType() != OFTString || !feature.IsFieldSetAndNotNull(i))
            continue;
        std::string s = feature.GetFieldAsString(i);
        RestoreCommas(s);
        feature.SetField(i, s.c_str());
    }
    if (const char* pszStyle = feature.GetStyleString()) {
        std::string s = pszStyle;
        RestoreCommas(s);
        feature.SetStyleString(s.c_str());
    }
}

}  // namespace mapgis
