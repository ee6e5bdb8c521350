// The factory, the parser and which layers it opens, and the plug-in file as a host loads it.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <string>
#include <vector>

#include "KoBase/KtLogFile.h"
#include "KtFileParseFactoryMAPGIS.h"
#include "KtFileParserMapGis.h"
#include "PluginLoader.h"
#include "PluginTestSupport.h"

extern "C" KTX::KtFileParseFactory* CreateFileParseFactory();

namespace {

using namespace KTX;
using pt::U;

TEST(Factory, ExtensionsOfItsOneFileType) {
    const KtFileParseFactoryMAPGIS factory;
    for (const char* pszExt : {"wat", "WAL", "wAp", "Wan", ".wat", "..wap", ".wAN"})
        EXPECT_EQ(factory.ExtNameToFileType(U(pszExt)), 55) << pszExt;
    for (const char* pszExt : {"", ".", "wat ", " wat", "xwat", "wa", "shp", ".wat;"})
        EXPECT_EQ(factory.ExtNameToFileType(U(pszExt)), 0) << '"' << pszExt << '"';
    EXPECT_EQ(factory.FileTypeToExtName(55), U(".wat;.wal;.wap;.wan;"));
    EXPECT_TRUE(factory.FileTypeToExtName(54).IsEmpty());
    EXPECT_TRUE(factory.GetName().IsEmpty());

    // The lists replace what the arrays held.
    PlxArray<int> arrTypes;
    arrTypes.Add(7);
    factory.GetSupportFileTypes(arrTypes);
    EXPECT_EQ(std::vector<int>(arrTypes.begin(), arrTypes.end()), std::vector<int>{55});
    PlxArray<PlxUnicodeString> arrExts;
    arrExts.Add(U(".shp"));
    factory.GetSupportFileExtNames(arrExts);
    ASSERT_EQ(arrExts.GetSize(), 3);
    EXPECT_EQ(arrExts[0] + arrExts[1] + arrExts[2], U(".wat.wal.wap"));

    EXPECT_EQ(factory.CreateFileParser(54), nullptr);
    KtFileParser* pParser = factory.CreateFileParser(55);
    ASSERT_NE(dynamic_cast<KtFileParserMapGis*>(pParser), nullptr);
    EXPECT_EQ(dynamic_cast<KtFileParserMapGis*>(pParser)->GetLayerCount(), 0);
    factory.DestroyFileParser(pParser);
    std::unique_ptr<KtFileParseFactory> pEntry(CreateFileParseFactory());
    EXPECT_NE(dynamic_cast<KtFileParseFactoryMAPGIS*>(pEntry.get()), nullptr);
}

TEST(PluginFile, ExportsTheFactoryOnlyAndInstallsTheCrashLog) {
    testfiles::LoadedPlugin& plugin = testfiles::LoadedPlugin::Get();
    ASSERT_NE(plugin.CreateFactory(), nullptr) << plugin.Error();
    std::unique_ptr<KtFileParseFactory> factory(plugin.CreateFactory()());
    EXPECT_EQ(factory->ExtNameToFileType(U(".wal")), 55);
    void* pHandle = dlopen(MAPGIS_PLUGIN_FILE, RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
    ASSERT_NE(pHandle, nullptr);
    EXPECT_NE(dlsym(pHandle, "CreateFileParseFactory"), nullptr);
    EXPECT_EQ(dlsym(pHandle, "_ZN3KTX16KtReadMAPGISFile13FindColorByIDEiRl"), nullptr);
    dlclose(pHandle);
    for (int nSignal : {SIGINT, SIGTERM, SIGILL, SIGABRT}) {
        const auto pfnCurrent = std::signal(nSignal, SIG_DFL);
        std::signal(nSignal, pfnCurrent);
        EXPECT_EQ(pfnCurrent, &KtLogFile::Dump) << "signal " << nSignal;
        // Loaded more than once, the routine never hands on to itself.
        EXPECT_NE(KtLogFile::GetPreviousHandler(nSignal), &KtLogFile::Dump) << "signal " << nSignal;
    }
}

class Parser : public ::testing::Test {
protected:
    ~Parser() override { parser.Close(); }
    bool Open(const std::string& strPath, int nMode) {
        KtMapGisImportParams params;
        params.SetFilePathName(U(strPath));
        params.SetImportMode(nMode);
        params.SetImportOrExportCharset(PLXCharsetUTF8);
        params.SetDestDTName(U("roads"));
        return parser.Open(params);
    }
    // A copy of the line test file under another name.
    std::string Lines(const std::string& strName) {
        return dir.Write(strName, testfiles::ReadFile(testfiles::DataFile("wal/basic.wal")));
    }
    std::string Name(int i) { return pt::Utf8(parser.GetLayer(i)->GetLayerName()); }
    int Type(int i) { return parser.GetLayer(i)->GetFeatureClassDefn().GetType(); }

    testfiles::TempDir dir;
    KtFileParserMapGis parser;
};

TEST_F(Parser, ReaderChosenByTheLastThreeCharactersOfTheExtension) {
    const struct {
        const char* pszName;
        bool bOpened;
    } kNames[] = {{"ROADS.WAL", true},   {"roads.xwal", true}, {"roads.wAl", true},
                  {"roads.wal2", false}, {"roadswal", false},  {"roads.shp", false},
                  {"roads.wal ", false}};
    for (const auto& c : kNames) {
        SCOPED_TRACE(c.pszName);
        EXPECT_EQ(Open(Lines(c.pszName), KTIMPORT_CAD), c.bOpened);
        ASSERT_EQ(parser.GetLayerCount(), c.bOpened ? 1 : 0);
        if (c.bOpened) {
            EXPECT_EQ(Type(0), 149);
            EXPECT_EQ(parser.GetLayer(0)->GetFeatureClassDefn().GetFeatureCount(), 3);
        }
        parser.Close();
    }
    // Any mode but 0 is the compound one; a missing file opens nothing.
    EXPECT_TRUE(Open(Lines("roads.wal"), -4));
    EXPECT_EQ(Type(0), 149);
    parser.Close();
    EXPECT_FALSE(Open(dir.Path() + "/absent.wal", KTIMPORT_CAD));
    EXPECT_EQ(parser.GetLayerCount(), 0);
}

TEST_F(Parser, SecondOpenAppendsAndCloseFreesEverything) {
    ASSERT_TRUE(Open(Lines("roads.wal"), KTIMPORT_CAD));
    ASSERT_TRUE(Open(Lines("roads.wal"), KTIMPORT_TYPED));
    ASSERT_EQ(parser.GetLayerCount(), 2);
    EXPECT_EQ(Type(0), 149);
    EXPECT_EQ(Type(1), 3);
    EXPECT_EQ(Name(1), "roadsL");
    parser.Close();
    parser.Close();
    EXPECT_EQ(parser.GetLayerCount(), 0);
    // Without a reader for the file typed mode opens, with no layer.
    EXPECT_TRUE(Open(dir.Write("notes.txt", "WMAP lines\n1\n"), KTIMPORT_TYPED));
    EXPECT_EQ(parser.GetLayerCount(), 0);
}

}  // namespace
