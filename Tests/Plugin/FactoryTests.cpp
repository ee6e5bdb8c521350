// The parser factory, and the plug-in file as a host loads it.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <ostream>
#include <string>

#include "KoBase/KtLogFile.h"
#include "KtFileParseFactoryMAPGIS.h"
#include "KtFileParserMapGis.h"
#include "PluginLoader.h"

extern "C" KTX::KtFileParseFactory* CreateFileParseFactory();

namespace {

using KTX::KtFileParseFactoryMAPGIS;
using KTX::PlxArray;
using KTX::PlxUnicodeString;

PlxUnicodeString U(const char* psz) {
    return PlxUnicodeString::FromUtf8(psz);
}

struct ExtCase {
    const char* pszExt;
    int nType;
};

void PrintTo(const ExtCase& c, std::ostream* pOut) {
    *pOut << '"' << c.pszExt << '"';
}

class FactoryExtName : public ::testing::TestWithParam<ExtCase> {};

TEST_P(FactoryExtName, MapsToFileType) {
    const KtFileParseFactoryMAPGIS factory;
    EXPECT_EQ(factory.ExtNameToFileType(U(GetParam().pszExt)), GetParam().nType)
        << "extension \"" << GetParam().pszExt << "\"";
}

INSTANTIATE_TEST_SUITE_P(KnownWords, FactoryExtName,
                         ::testing::Values(ExtCase{"wat", 55}, ExtCase{"WAL", 55},
                                           ExtCase{"wAp", 55}, ExtCase{"Wan", 55},
                                           ExtCase{".wat", 55}, ExtCase{".WAL", 55},
                                           ExtCase{"..wap", 55}, ExtCase{".wAN", 55}));

INSTANTIATE_TEST_SUITE_P(Refused, FactoryExtName,
                         ::testing::Values(ExtCase{"", 0}, ExtCase{".", 0}, ExtCase{"wat ", 0},
                                           ExtCase{" wat", 0}, ExtCase{"xwat", 0}, ExtCase{"wa", 0},
                                           ExtCase{"shp", 0}, ExtCase{".wat;", 0}));

TEST(Factory, ExtNamesOfTheFileType) {
    const KtFileParseFactoryMAPGIS factory;
    EXPECT_EQ(factory.FileTypeToExtName(55), U(".wat;.wal;.wap;.wan;"));
    EXPECT_TRUE(factory.FileTypeToExtName(0).IsEmpty());
    EXPECT_TRUE(factory.FileTypeToExtName(54).IsEmpty());
}

TEST(Factory, SupportFileTypesReplaceWhatTheArrayHeld) {
    const KtFileParseFactoryMAPGIS factory;
    PlxArray<int> arrTypes;
    arrTypes.Add(7);
    arrTypes.Add(55);
    arrTypes.Add(9);
    factory.GetSupportFileTypes(arrTypes);
    ASSERT_EQ(arrTypes.GetSize(), 1);
    EXPECT_EQ(arrTypes[0], 55);
}

TEST(Factory, SupportExtNamesReplaceWhatTheArrayHeld) {
    const KtFileParseFactoryMAPGIS factory;
    PlxArray<PlxUnicodeString> arrExts;
    arrExts.Add(U(".shp"));
    arrExts.Add(U(".wan"));
    factory.GetSupportFileExtNames(arrExts);
    ASSERT_EQ(arrExts.GetSize(), 3);
    EXPECT_EQ(arrExts[0], U(".wat"));
    EXPECT_EQ(arrExts[1], U(".wal"));
    EXPECT_EQ(arrExts[2], U(".wap"));
}

TEST(Factory, CreatesParsersForItsFileTypeOnly) {
    const KtFileParseFactoryMAPGIS factory;
    EXPECT_EQ(factory.CreateFileParser(54), nullptr);
    EXPECT_EQ(factory.CreateFileParser(0), nullptr);

    KTX::KtFileParser* pFirst = factory.CreateFileParser(55);
    KTX::KtFileParser* pSecond = factory.CreateFileParser(55);
    ASSERT_NE(pFirst, nullptr);
    ASSERT_NE(pSecond, nullptr);
    EXPECT_NE(pFirst, pSecond);
    auto* pParser = dynamic_cast<KTX::KtFileParserMapGis*>(pFirst);
    ASSERT_NE(pParser, nullptr);
    EXPECT_EQ(pParser->GetLayerCount(), 0);
    factory.DestroyFileParser(pFirst);
    factory.DestroyFileParser(pSecond);
}

TEST(Factory, NameIsEmpty) {
    const KtFileParseFactoryMAPGIS factory;
    const PlxUnicodeString strName = factory.GetName();
    EXPECT_TRUE(strName.IsEmpty());
    ASSERT_NE(strName.GetString(), nullptr);
    EXPECT_EQ(strName.GetString()[0], u'\0');
}

TEST(Factory, EntryFunctionGivesTheMapGisFactory) {
    std::unique_ptr<KTX::KtFileParseFactory> factory(CreateFileParseFactory());
    EXPECT_NE(dynamic_cast<KtFileParseFactoryMAPGIS*>(factory.get()), nullptr);
}

TEST(PluginFile, ExportsTheFactoryFunctionOnly) {
    testfiles::LoadedPlugin& plugin = testfiles::LoadedPlugin::Get();
    ASSERT_NE(plugin.CreateFactory(), nullptr) << plugin.Error();
    std::unique_ptr<KTX::KtFileParseFactory> factory(plugin.CreateFactory()());
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(factory->ExtNameToFileType(U(".wal")), 55);
    EXPECT_EQ(factory->FileTypeToExtName(55), U(".wat;.wal;.wap;.wan;"));

    // The plug-in's own classes stay inside the file.
    void* pHandle = dlopen(MAPGIS_PLUGIN_FILE, RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
    ASSERT_NE(pHandle, nullptr);
    EXPECT_NE(dlsym(pHandle, "CreateFileParseFactory"), nullptr);
    EXPECT_EQ(dlsym(pHandle, "_ZN3KTX16KtReadMAPGISFile13FindColorByIDEiRl"), nullptr);
    EXPECT_EQ(dlsym(pHandle, "_ZN3KTX16KtReadMAPGISFile13m_StyMapTableE"), nullptr);
    dlclose(pHandle);
}

TEST(PluginFile, CrashLogIsInstalledWhileLoaded) {
    ASSERT_NE(testfiles::LoadedPlugin::Get().CreateFactory(), nullptr);
    for (int nSignal : {SIGINT, SIGTERM, SIGILL, SIGABRT}) {
        const auto pfnCurrent = std::signal(nSignal, SIG_DFL);
        std::signal(nSignal, pfnCurrent);
        EXPECT_EQ(pfnCurrent, &KTX::KtLogFile::Dump) << "signal " << nSignal;
        // Loaded more than once in this program, the log's routine never hands on to itself.
        EXPECT_NE(KTX::KtLogFile::GetPreviousHandler(nSignal), &KTX::KtLogFile::Dump)
            << "signal " << nSignal;
    }
}

}  // namespace
