#include <benchmark/benchmark.h>

#include "fakes/fake_view.h"
#include "window/main_window.h"

namespace {

using tintcast::testing::BarAction;
using tintcast::testing::FakeView;
using tintcast::window::frmMain;
using tintcast::window::optType;
using tintcast::window::sclColor;

// The window loaded on the in-memory controls, with a notation chosen and a colour set.
struct LoadedWindow {
    explicit LoadedWindow(std::int16_t notation)
        : view(tintcast::window::MainFormSpec()), form(view) {
        view.Load(form);
        view.Click(optType(notation));
        view.SetBarValue(sclColor(0), 200);
        view.SetBarValue(sclColor(1), 100);
        view.SetBarValue(sclColor(2), 7);
    }
    FakeView view;
    frmMain form;
};

// Reads the bars and the option, paints the swatch, writes the text.
void BM_UpdateColor(benchmark::State& state) {
    LoadedWindow window(static_cast<std::int16_t>(state.range(0)));
    for (auto _ : state) {
        window.form.UpdateColor();
    }
    benchmark::DoNotOptimize(window.view.Text(tintcast::window::txtHex));
}
BENCHMARK(BM_UpdateColor)->ArgName("notation")->DenseRange(0, 2);

// One bar step by key, as a person makes it: the bar moves, its change notification
// reaches the window, and the window refreshes.
void BM_BarStep(benchmark::State& state) {
    LoadedWindow window(static_cast<std::int16_t>(state.range(0)));
    bool up = true;
    for (auto _ : state) {
        window.view.Bar(sclColor(0), up ? BarAction::KeyUp : BarAction::KeyDown);
        up = !up;
    }
    benchmark::DoNotOptimize(window.view.Text(tintcast::window::txtHex));
}
BENCHMARK(BM_BarStep)->ArgName("notation")->DenseRange(0, 2);

}  // namespace
