// Splitting lines into their fields and converting numbers, as every reader does per line.
#include <benchmark/benchmark.h>

#include "KoBase/PlxUnicodeString.h"
#include "MicroFiles.h"

namespace {

void SplitInto(benchmark::State& state, const char* pszLine) {
    const KTX::PlxUnicodeString strLine = KTX::PlxUnicodeString::FromUtf8(pszLine);
    const KTX::PlxUnicodeString strSeparator(u",");
    KTX::PlxArray<KTX::PlxUnicodeString> arrFields;
    for (auto _ : state)
        benchmark::DoNotOptimize(strLine.Split(arrFields, strSeparator));
    state.SetItemsProcessed(state.iterations());
}

void BM_SplitPointLine(benchmark::State& state) {
    SplitInto(state, micro::kPointLine);
}
void BM_SplitStyleLine(benchmark::State& state) {
    SplitInto(state, micro::kStyleLine);
}
void BM_SplitTextRecord(benchmark::State& state) {
    SplitInto(state, micro::kTextRecordAscii);
}

// Numbers of the kinds the files hold: projected coordinates with six decimals, sizes,
// angles, and one that needs the general conversion (17 significant digits).
void BM_Ugatof(benchmark::State& state) {
    const KTX::PlxUnicodeString arrNumbers[] = {u"38512345.678901", u"3412345.678901", u"2.50",
                                                u"-45.00", u"1.2345678901234567"};
    for (auto _ : state) {
        for (const KTX::PlxUnicodeString& s : arrNumbers)
            benchmark::DoNotOptimize(KTX::ugatof(s));
    }
    state.SetItemsProcessed(state.iterations() * 5);
}

void BM_Ugatoi(benchmark::State& state) {
    const KTX::PlxUnicodeString arrNumbers[] = {u"28", u"-3", u"2147483647", u" 17"};
    for (auto _ : state) {
        for (const KTX::PlxUnicodeString& s : arrNumbers)
            benchmark::DoNotOptimize(KTX::ugatoi(s));
    }
    state.SetItemsProcessed(state.iterations() * 4);
}

}  // namespace

BENCHMARK(BM_SplitPointLine);
BENCHMARK(BM_SplitStyleLine);
BENCHMARK(BM_SplitTextRecord);
BENCHMARK(BM_Ugatof);
BENCHMARK(BM_Ugatoi);
