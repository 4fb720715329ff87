// What users wait on in the buffer editor: checksum and tools over the whole 8 MiB buffer.
#include <benchmark/benchmark.h>

#include "buffer/BufferEditor.h"
#include "buffer/HexView.h"

using namespace vantor;

namespace {

DataBuffer &buffer() {
    static DataBuffer b;
    return b;
}

void Checksum8MiB(benchmark::State &state) {
    for (auto _ : state) benchmark::DoNotOptimize(bufferChecksum(buffer(), 0, DataBuffer::kSize - 1));
}

void Fill8MiB(benchmark::State &state) {
    const auto kind = FillKind(state.range(0));
    for (auto _ : state) {
        fillBytes(buffer(), 0, DataBuffer::kSize - 1, kind, 0x5A, 0x1234, 7);
        benchmark::ClobberMemory();
    }
}

void Combine8MiB(benchmark::State &state) {
    const auto op = LogicOp(state.range(0));
    for (auto _ : state) {
        combineBytes(buffer(), op, 0, DataBuffer::kSize - 1, 0xA5);
        benchmark::ClobberMemory();
    }
}

void CopyOverlapping8MiB(benchmark::State &state) {
    for (auto _ : state) {
        copyBytes(buffer(), 0, DataBuffer::kSize - 0x11, 0x10);
        benchmark::ClobberMemory();
    }
}

void Swap8MiB(benchmark::State &state) {
    for (auto _ : state) {
        swapBytePairs(buffer(), 0, DataBuffer::kSize - 1);
        benchmark::ClobberMemory();
    }
}

// One Page Down step of the view and the texts of the page it shows.
void PageDownStep(benchmark::State &state) {
    HexView view;
    view.setData(buffer().data(), DataBuffer::kSize, 0);
    view.setByteRows(state.range(0) == 0);
    std::size_t chars = 0;
    for (auto _ : state) {
        if (view.caret() + 512 >= DataBuffer::kSize) view.key(HexView::Key::Home);
        view.key(HexView::Key::PageDown);
        for (int r = 0; r < view.visibleRows(); ++r)
            chars += view.addressText(r).size() + view.hexText(r).size() + view.charText(r).size();
    }
    benchmark::DoNotOptimize(chars);
}

}  // namespace

BENCHMARK(Checksum8MiB)->Unit(benchmark::kMillisecond);
BENCHMARK(Fill8MiB)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
BENCHMARK(Combine8MiB)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(CopyOverlapping8MiB)->Unit(benchmark::kMillisecond);
BENCHMARK(Swap8MiB)->Unit(benchmark::kMillisecond);
BENCHMARK(PageDownStep)->DenseRange(0, 1)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
