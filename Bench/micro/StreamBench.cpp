// Line reading through the host's file stream: plain ASCII lines, and lines with GBK text
// decoded through the charset table.
#include <benchmark/benchmark.h>

#include "KoStream/KtFileStdio.h"
#include "MicroFiles.h"

namespace {

constexpr int kLines = 20000;

void ReadAllLines(benchmark::State& state, const char* pszLine, KTX::PLXCharset eCharset) {
    const micro::ScratchFile file(pszLine, kLines);
    KTX::KtFileStdio stream;
    if (!stream.Open(KTX::PlxUnicodeString::FromUtf8(file.Path()), KTX::KTFILE_READ, 8192,
                     eCharset)) {
        state.SkipWithError("cannot open the scratch file");
        return;
    }
    KTX::PlxUnicodeString strLine;
    for (auto _ : state) {
        stream.SetPosition(0, KTX::KTFILE_BEGIN);
        while (stream.ReadLine(strLine))
            benchmark::DoNotOptimize(strLine.GetString());
    }
    state.SetBytesProcessed(state.iterations() * file.Bytes());
    state.SetItemsProcessed(state.iterations() * kLines);
}

void BM_ReadLinePoints(benchmark::State& state) {
    ReadAllLines(state, micro::kPointLine, KTX::PLXCharsetGBK);
}
void BM_ReadLineTextAscii(benchmark::State& state) {
    ReadAllLines(state, micro::kTextRecordAscii, KTX::PLXCharsetGBK);
}
void BM_ReadLineTextGbk(benchmark::State& state) {
    ReadAllLines(state, micro::kTextRecordGbk, KTX::PLXCharsetGBK);
}

// Returning to a remembered line, as every item read does.
void BM_ReadLineAtPosition(benchmark::State& state) {
    const micro::ScratchFile file(micro::kTextRecordGbk, kLines);
    KTX::KtFileStdio stream;
    stream.Open(KTX::PlxUnicodeString::FromUtf8(file.Path()), KTX::KTFILE_READ, 8192,
                KTX::PLXCharsetGBK);
    const std::int64_t nStep = file.Bytes() / kLines;
    KTX::PlxUnicodeString strLine;
    std::int64_t nLine = 0;
    for (auto _ : state) {
        stream.SetPosition((nLine * 7919 % kLines) * nStep, KTX::KTFILE_BEGIN);
        stream.ReadLine(strLine);
        benchmark::DoNotOptimize(strLine.GetString());
        ++nLine;
    }
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_ReadLinePoints);
BENCHMARK(BM_ReadLineTextAscii);
BENCHMARK(BM_ReadLineTextGbk);
BENCHMARK(BM_ReadLineAtPosition);
