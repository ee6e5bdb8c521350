// Imports a file through the plug-in alone, as a host does: factory, parser, layers, and
// ReadFeatures in batches into host features. Prints the time and the features read. Mode
// "open" stops after the layers' pre-reads (compound import): its peak is that of the index.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "KoElement/KtFeature.h"
#include "KoFileParser/KtExchangeParams.h"
#include "KoFileParser/KtFileParseFactory.h"
#include "PluginLoad.h"

using namespace KTX;

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: bench_plugin PLUGIN.fps compound|typed|open FILE [CHARSET]\n");
        return 2;
    }
    PFN_CreateFileParseFactory create = LoadPlugin(argv[1]);
    if (create == nullptr)
        return 1;
    const auto start = std::chrono::steady_clock::now();
    std::unique_ptr<KtFileParseFactory> factory(create());
    auto* parser = static_cast<KtFileParseVector*>(factory->CreateFileParser(55));
    KtMapGisImportParams params;
    params.SetFilePathName(PlxUnicodeString::FromUtf8(argv[3]));
    params.SetImportMode(std::strcmp(argv[2], "typed") == 0 ? KTIMPORT_TYPED : KTIMPORT_CAD);
    params.SetImportOrExportCharset(argc > 4 && std::strcmp(argv[4], "utf8") == 0 ? PLXCharsetUTF8
                                                                                  : PLXCharsetGBK);
    params.SetDestDTName(u"bench");
    if (!parser->Open(params)) {
        std::fprintf(stderr, "cannot open %s\n", argv[3]);
        return 1;
    }
    const auto opened = std::chrono::steady_clock::now();
    long long features = 0;
    std::vector<std::unique_ptr<KtFeature>> owned(256);
    PlxArray<KtFeature*> batch;
    for (auto& f : owned) {
        f = std::make_unique<KtFeature>();
        batch.Add(f.get());
    }
    const int nReadLayers = std::strcmp(argv[2], "open") == 0 ? 0 : parser->GetLayerCount();
    for (int i = 0; i < nReadLayers; ++i) {
        KtVectorFileLayer* layer = parser->GetLayer(i);
        while (layer->GetCurFilePosition() < layer->GetFileLength()) {
            for (auto& f : owned)
                f->Clear();
            features += layer->ReadFeatures(batch, 0);
        }
    }
    parser->Close();
    factory->DestroyFileParser(parser);
    const auto end = std::chrono::steady_clock::now();
    std::printf("%.6f s (pre-read %.6f s), %lld features\n",
                std::chrono::duration<double>(end - start).count(),
                std::chrono::duration<double>(opened - start).count(), features);
    return 0;
}
