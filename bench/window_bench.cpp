#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>

#include "form1.h"

// "Go" on the search that lists the most lines, from the click to the filled, drawn list,
// on the window's one thread. One frame at 60 Hz is 16.7 ms.

namespace {

beatwright::Form1* window = nullptr;

void select(const char* combo, const char* item) {
    auto* box = window->findChild<QComboBox*>(combo);
    box->setCurrentIndex(box->findText(item));
}

void BM_Window_Go_WorstCase(benchmark::State& state) {
    select("Combo1", "6");
    select("Combo2", "125");
    select("Combo3", "10000");
    for (auto _ : state) {
        window->tempocal();
        window->repaint();
    }
}

}  // namespace

BENCHMARK(BM_Window_Go_WorstCase)->Unit(benchmark::kMillisecond);

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    beatwright::Form1 form;
    form.show();
    window = &form;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
