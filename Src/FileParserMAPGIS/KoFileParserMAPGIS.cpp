// Entry of the MAPGIS import plug-in: the one exported function, the crash log hook that is
// installed while the library is loaded, and the Windows entry routine.
#include <csignal>
#include <new>

#include "KoBase/KtLogFile.h"
#include "KtFileParseFactoryMAPGIS.h"

#if defined(_WIN32)
#include <windows.h>
#define MAPGIS_PLUGIN_EXPORT __declspec(dllexport)
#else
#define MAPGIS_PLUGIN_EXPORT __attribute__((visibility("default")))
#endif

namespace {

using SignalHandler = void (*)(int);

constexpr int kCrashSignals[] = {SIGINT,   SIGILL, SIGFPE, SIGSEGV, SIGTERM,
#if defined(SIGBREAK)
                                 SIGBREAK,
#endif
                                 SIGABRT};
constexpr int kCrashSignalCount = sizeof(kCrashSignals) / sizeof(kCrashSignals[0]);

// While the library is loaded a crash writes the host log first; the log then hands the
// signal on to whatever handler was there before. At unload the earlier handlers come back,
// unless someone has installed another handler since.
class CrashLogHook {
public:
    CrashLogHook() {
        for (int i = 0; i < kCrashSignalCount; ++i) {
            const SignalHandler pfnPrevious = std::signal(kCrashSignals[i], &KTX::KtLogFile::Dump);
            // Another copy of the plug-in may have put the log's routine there already; then
            // the handler it remembered stays the one to hand on to.
            m_bInstalled[i] = pfnPrevious != SIG_ERR && pfnPrevious != &KTX::KtLogFile::Dump;
            if (m_bInstalled[i])
                KTX::KtLogFile::RememberPreviousHandler(kCrashSignals[i], pfnPrevious);
        }
    }
    ~CrashLogHook() {
        for (int i = 0; i < kCrashSignalCount; ++i) {
            if (!m_bInstalled[i])
                continue;
            const int nSignal = kCrashSignals[i];
            const SignalHandler pfnCurrent =
                std::signal(nSignal, KTX::KtLogFile::GetPreviousHandler(nSignal));
            if (pfnCurrent != &KTX::KtLogFile::Dump && pfnCurrent != SIG_ERR) {
                std::signal(nSignal, pfnCurrent);
            }
        }
    }
    CrashLogHook(const CrashLogHook&) = delete;
    CrashLogHook& operator=(const CrashLogHook&) = delete;

private:
    bool m_bInstalled[kCrashSignalCount] = {};
};

const CrashLogHook g_crashLogHook;

}  // namespace

extern "C" MAPGIS_PLUGIN_EXPORT KTX::KtFileParseFactory* CreateFileParseFactory() {
    return new (std::nothrow) KTX::KtFileParseFactoryMAPGIS();
}

#if defined(_WIN32)
BOOL APIENTRY DllMain(HMODULE hModule, DWORD dwReason, LPVOID /*pReserved*/) {
    if (dwReason == DLL_PROCESS_ATTACH)
        DisableThreadLibraryCalls(hModule);
    return TRUE;
}
#endif
