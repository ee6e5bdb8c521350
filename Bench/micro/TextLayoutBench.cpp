// Reading one annotation text of a point file into a feature, for each of the text's layout
// paths: plain, spaced, vertical and with super- and subscript codes. Covers the record's
// positioned re-read, its split, the layout and the text geometry with its style.
#include <benchmark/benchmark.h>

#include <string>

#include "KoElement/KtFeature.h"
#include "KoElement/KtFeatureClassDefn.h"
#include "KtReadWatFile.h"
#include "MicroFiles.h"

namespace {

// Text records that differ in the fields that choose the layout: the text (field 4), the
// spacing (field 7) and the arrangement (field 12).
const char* const kRecords[] = {
    "38518405.399970,3417014.261750,1,0,\"Renmin Road\",2.50,2.50,0.00,15.00,0,0,0,0,39,0,0",
    "38518405.399970,3417014.261750,1,0,\"Renmin Road\",2.50,2.50,0.50,15.00,0,0,0,0,39,0,0",
    "38518405.399970,3417014.261750,1,0,\"Renmin Road\",2.50,2.50,0.00,15.00,0,0,0,1,39,0,0",
    "38518405.399970,3417014.261750,1,0,\"m#+2#=#-3#=Road\",2.50,2.50,0.00,15.00,0,0,0,0,39,0,0",
};

void BM_WatTextRead(benchmark::State& state) {
    const std::string text = std::string("WMAP`D22\r\n1\r\n") + kRecords[state.range(0)] + "\r\n";
    const micro::ScratchFile file(text, 1);
    KTX::KtReadWatFile reader;
    KTX::KtFeatureClassDefn defn;
    KTX::PlxArray<KTX::tagFileIndex*> arrIndex;
    if (!reader.PreReadFile(KTX::PlxUnicodeString::FromUtf8(file.Path()), KTX::PLXCharsetGBK, defn,
                            arrIndex) ||
        arrIndex.GetSize() != 1) {
        state.SkipWithError("the record was not indexed");
        return;
    }
    KTX::KtFeature feature;
    for (auto _ : state) {
        if (!reader.ReadItemData(arrIndex[0], &feature))
            state.SkipWithError("the record was refused");
        benchmark::DoNotOptimize(feature.GetGeometry());
    }
    state.SetItemsProcessed(state.iterations());
    for (KTX::tagFileIndex* pIndex : arrIndex)
        delete pIndex;
}

}  // namespace

// 0 plain, 1 spaced, 2 vertical, 3 super- and subscript codes.
BENCHMARK(BM_WatTextRead)->DenseRange(0, 3);
