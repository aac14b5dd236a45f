#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>

#include "notation/color_text.h"

namespace {

using tintcast::notation::ChannelSet;
using tintcast::notation::ColorNotation;

// Colours of every text length: short and long hex, one- to three-digit decimals.
std::array<ChannelSet, 256> Colours() {
    std::array<ChannelSet, 256> colours{};
    for (std::int32_t i = 0; i < 256; ++i) {
        colours[static_cast<std::size_t>(i)] = {i, (i * 37) % 256, (i * 101) % 256};
    }
    return colours;
}

void BM_FormatColorText(benchmark::State& state) {
    const auto notation = static_cast<ColorNotation>(state.range(0));
    const auto colours = Colours();
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FormatColorText(colours[next], notation));
        next = (next + 1) % colours.size();
    }
}
BENCHMARK(BM_FormatColorText)->ArgName("notation")->DenseRange(0, 2);

}  // namespace
