// Painting a full hex view page (16 rows) in byte and word rows; runs on any Qt platform.
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include "buffer/DataBuffer.h"
#include "buffer/ui/HexViewWidget.h"

using namespace vantor;

namespace {

void PaintPage(benchmark::State &state) {
    static DataBuffer buffer;
    for (std::size_t a = 0; a < 0x10000; ++a) buffer[a] = std::uint8_t(a * 31);
    ui::HexViewWidget view;
    view.resize(view.sizeHint());
    view.setData(buffer.data(), DataBuffer::kSize, 0);
    view.model().setByteRows(state.range(0) == 0);
    view.model().setAddressFormat(state.range(1) != 0);
    view.model().gotoOffset(0x8000);
    QImage image(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        view.viewport()->render(&image);
        benchmark::DoNotOptimize(image.bits());
    }
}

}  // namespace

BENCHMARK(PaintPage)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMicrosecond);
