// Path functions. Both '/' and '\\' separate folders: project files written on Windows
// carry backslash paths.
#include "KtFile.h"

#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "PlxUtf8.h"

namespace KTX {

namespace {

bool IsSeparator(char16_t c) {
    return c == u'/' || c == u'\\';
}

// Index just past the last separator (0 when there is none).
size_t NameStart(const std::u16string& s) {
    size_t i = s.size();
    while (i > 0 && !IsSeparator(s[i - 1]))
        --i;
    return i;
}

// Index of the extension's dot within the path, or npos.
size_t ExtStart(const std::u16string& s) {
    const size_t nName = NameStart(s);
    const size_t nDot = s.rfind(u'.');
    return (nDot == std::u16string::npos || nDot < nName) ? std::u16string::npos : nDot;
}

bool IsAbsolute(const std::u16string& s) {
    if (!s.empty() && IsSeparator(s[0]))
        return true;
    return s.size() >= 2 && s[1] == u':' &&
           ((s[0] >= u'A' && s[0] <= u'Z') || (s[0] >= u'a' && s[0] <= u'z'));
}

// Folder of a file path, resolved to an absolute path, with a trailing '/'.
PlxUnicodeString FolderOf(const char* pszFile) {
    std::string strPath = pszFile;
    char szReal[PATH_MAX];
    if (realpath(pszFile, szReal) != nullptr)
        strPath = szReal;
    const size_t nSlash = strPath.rfind('/');
    if (nSlash == std::string::npos)
        return PlxUnicodeString(u"./");
    return PlxUnicodeString::FromUtf8(std::string_view(strPath.data(), nSlash + 1));
}

bool MatchesLibrary(const char* pszPath, const std::string& strName) {
    if (pszPath == nullptr || *pszPath == '\0')
        return false;
    std::string strFile = pszPath;
    const size_t nSlash = strFile.rfind('/');
    if (nSlash != std::string::npos)
        strFile.erase(0, nSlash + 1);
    return strFile == "lib" + strName + ".so" || strFile == strName + ".so" ||
           strFile == strName + ".fps" || strFile.rfind("lib" + strName + ".so.", 0) == 0;
}

struct SearchState {
    std::string strName;
    std::string strFound;
};

int VisitObject(dl_phdr_info* pInfo, size_t, void* pData) {
    auto* pState = static_cast<SearchState*>(pData);
    if (!MatchesLibrary(pInfo->dlpi_name, pState->strName))
        return 0;
    pState->strFound = pInfo->dlpi_name;
    return 1;
}

}  // namespace

PlxUnicodeString KtFile::GetExt(const PlxUnicodeString& strPath) {
    const std::u16string& s = strPath.Str();
    const size_t nDot = ExtStart(s);
    return nDot == std::u16string::npos ? PlxUnicodeString() : PlxUnicodeString(s.substr(nDot));
}

PlxUnicodeString KtFile::GetTitle(const PlxUnicodeString& strPath) {
    const std::u16string& s = strPath.Str();
    const size_t nName = NameStart(s);
    const size_t nDot = ExtStart(s);
    const size_t nEnd = nDot == std::u16string::npos ? s.size() : nDot;
    return PlxUnicodeString(s.substr(nName, nEnd - nName));
}

PlxUnicodeString KtFile::GetFileName(const PlxUnicodeString& strPath) {
    return PlxUnicodeString(strPath.Str().substr(NameStart(strPath.Str())));
}

PlxUnicodeString KtFile::GetModulePath(const PlxUnicodeString& strLibraryName) {
    const std::string strName = strLibraryName.ToUtf8();
    if (strName.empty())
        return PlxUnicodeString();
    if (strName == "KoBase") {
        // This library itself: ask the loader which file holds one of its functions.
        Dl_info info{};
        if (dladdr(reinterpret_cast<void*>(&KtFile::Exists), &info) != 0 &&
            info.dli_fname != nullptr) {
            return FolderOf(info.dli_fname);
        }
        return PlxUnicodeString();
    }
    SearchState state{strName, std::string()};
    dl_iterate_phdr(VisitObject, &state);
    return state.strFound.empty() ? PlxUnicodeString() : FolderOf(state.strFound.c_str());
}

PlxUnicodeString KtFile::GetAbsolutePath(const PlxUnicodeString& strFolder,
                                         const PlxUnicodeString& strRelative) {
    const std::u16string& rel = strRelative.Str();
    if (IsAbsolute(rel))
        return strRelative;
    const std::u16string whole = strFolder.IsEmpty() ? rel : strFolder.Str() + u"/" + rel;

    // Split into steps and resolve "." and ".." against the steps before them.
    std::vector<std::u16string> steps;
    size_t nBegin = 0;
    for (size_t i = 0; i <= whole.size(); ++i) {
        if (i < whole.size() && !IsSeparator(whole[i]))
            continue;
        std::u16string step = whole.substr(nBegin, i - nBegin);
        nBegin = i + 1;
        if (step.empty() || step == u".")
            continue;
        if (step == u".." && !steps.empty() && steps.back() != u"..") {
            if (steps.size() == 1 && IsAbsolute(steps.back() + u"/"))
                continue;  // "C:" stays
            steps.pop_back();
            continue;
        }
        if (step == u".." && steps.empty() && IsAbsolute(whole))
            continue;  // above the root
        steps.push_back(std::move(step));
    }
    std::u16string out = (!whole.empty() && IsSeparator(whole[0])) ? u"/" : u"";
    for (size_t i = 0; i < steps.size(); ++i) {
        if (i != 0)
            out += u'/';
        out += steps[i];
    }
    if (!rel.empty() && IsSeparator(rel.back()) && !steps.empty())
        out += u'/';
    return PlxUnicodeString(std::move(out));
}

bool KtFile::Exists(const PlxUnicodeString& strPath) {
    struct stat st {};
    return !strPath.IsEmpty() &&
           stat(utf8::EncodePath(strPath.GetString(), static_cast<std::size_t>(strPath.GetLength()))
                    .c_str(),
                &st) == 0;
}

}  // namespace KTX
