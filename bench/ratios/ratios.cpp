// The table of ratios: each piece of the program's work against the floor
// of the same work done bare, measured side by side in one run. bench/run
// builds this optimised and prints the table.

#include "baredecode.h"
#include "benchdeck.h"
#include "launch.h"
#include "ratiotable.h"

#include "errorreporter.h"
#include "generator.h"
#include "picturefile.h"
#include "quarterturn.h"
#include "uranai1.h"

#include "imagebox.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace {

const BenchDeck *deck = nullptr;

// One load, its bitmap freed before the next, as every caller does.
void loadPicture(const std::string &path)
{
    Bitmap working;
    if (!LoadPictureFile(path, working))
        std::fprintf(stderr, "cannot load %s\n", path.c_str());
    benchmark::DoNotOptimize(working.scanLine(0));
}

void loadRow(benchmark::State &state, const char *name, const std::string &path, int batch)
{
    const auto samples = sideBySide(state, repeated(batch, [&] { loadPicture(path); }),
                                    repeated(batch, [&] { benchmark::DoNotOptimize(bareDecode(path)); }));
    addTimeRow(name, samples, batch, 1.10);
}

void BM_LoadCard(benchmark::State &state)
{
    loadRow(state, "load, card (105×153)", deck->cardFiles(CardPicture)[0], 40);
}

void BM_LoadScan(benchmark::State &state)
{
    loadRow(state, "load, scan (3000×4500)", deck->scanFile(), 1);
}

// The floor of a turn: the turned picture's bytes copied into new memory.
void copyBytes(const Bitmap &picture)
{
    const size_t size = picture.bytesPerLine() * size_t(picture.height());
    std::unique_ptr<uint8_t[]> copy(new uint8_t[size]);
    std::memcpy(copy.get(), picture.scanLine(0), size);
    benchmark::DoNotOptimize(copy.get());
}

void turnRow(benchmark::State &state, const char *name, int firstAngle, int secondAngle, double goal)
{
    Bitmap scan;
    if (!LoadPictureFile(deck->scanFile(), scan) || scan.pixelFormat() != PixelFormat::Rgb24) {
        state.SkipWithError("the scan did not load as a 24-bit picture");
        return;
    }
    const Bitmap turned = quarterTurn(scan, scan.width(), scan.height(), firstAngle);
    int turn = 0;
    const auto samples = sideBySide(
        state,
        [&] {
            const int angle = turn++ % 2 == 0 ? firstAngle : secondAngle;
            return stopwatch([&] {
                const Bitmap result = quarterTurn(scan, scan.width(), scan.height(), angle);
                benchmark::DoNotOptimize(result.scanLine(0));
            });
        },
        [&] { return stopwatch([&] { copyBytes(turned); }); });
    addTimeRow(name, samples, 1, goal);
}

void BM_Turn90And270(benchmark::State &state)
{
    turnRow(state, "turn 90 and 270 (3000×4500, 24-bit)", 90, 270, 2.5);
}

void BM_Turn180(benchmark::State &state)
{
    turnRow(state, "turn 180 (3000×4500, 24-bit)", 180, 180, 1.5);
}

void settleEvents()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The main window on the offscreen platform, opened in a deck's folder as
// the program is in its own.
class OpenWindow
{
public:
    explicit OpenWindow(CardSize size)
    {
        std::filesystem::current_path(deck->deckFolder(size));
        m_form = std::make_unique<TForm1>();
        m_form->show();
        settleEvents();
    }

    // The show-cards command as the button gives it, from a fixed seed so
    // that every run deals the same hands (and turns the same cards).
    void reading()
    {
        GeneratorState = m_seed++;
        m_form->control<QPushButton>(QStringLiteral("btn1uranaikaisi"))->click();
    }

    void chooseCelticCross() { m_form->control<QAction>(QStringLiteral("N10"))->trigger(); }

    // True when the last reading reached the last slot with a card picture
    // of that size: a reading that stopped early would time less work.
    bool dealtEveryCard(CardSize size) const
    {
        const Bitmap *picture = m_form->control<ImageBox>("Image", 22)->picture();
        return m_form->control<QLineEdit>("Edit", 22)->text().startsWith(QStringLiteral("カード")) && picture
               && picture->width() * picture->height() == size.width * size.height;
    }

    // True when the crossing card lies on its side, as the Celtic Cross
    // lays it once it has loaded everything.
    bool crossingCardSideways(CardSize size) const
    {
        const Bitmap *picture = m_form->control<ImageBox>("Image", 2)->picture();
        return picture && picture->width() == size.height && picture->height() == size.width;
    }

private:
    std::unique_ptr<TForm1> m_form;
    uint32_t m_seed = 20240601;
};

void BM_Reading(benchmark::State &state)
{
    constexpr int Batch = 4;
    OpenWindow window(CardPicture);
    const std::vector<std::string> cards = deck->cardFiles(CardPicture);
    const auto samples = sideBySide(
        state, repeated(Batch, [&] { window.reading(); }),
        repeated(Batch,
                 [&] {
                     for (const std::string &card : cards)
                         benchmark::DoNotOptimize(bareDecode(card));
                 }),
        settleEvents);
    if (!window.dealtEveryCard(CardPicture)) {
        state.SkipWithError("the reading did not reach the last card");
        return;
    }
    addTimeRow("reading (22 cards of 105×153)", samples, Batch, 1.5);
}

void BM_Spread(benchmark::State &state)
{
    constexpr int Batch = 4;
    constexpr int Loads = 23; // 22 slots and the crossing card
    OpenWindow window(CardPicture);
    const std::string back = deck->backFile(CardPicture);
    const auto samples = sideBySide(state, repeated(Batch, [&] { window.chooseCelticCross(); }),
                                    repeated(Batch * Loads, [&] { benchmark::DoNotOptimize(bareDecode(back)); }),
                                    settleEvents);
    if (!window.crossingCardSideways(CardPicture)) {
        state.SkipWithError("the Celtic Cross was not laid out");
        return;
    }
    addTimeRow("spread (Celtic Cross)", samples, Batch, 1.5);
}

// Start-up and memory from the same fresh processes: the program's own
// start-up with one reading after its first paint, against a minimal Qt
// program with a window of the same size.
void BM_StartUpAndMemory(benchmark::State &state)
{
    const std::string folder = deck->deckFolder(CardPicture);
    std::vector<double> oursPeak, minimalPeak;
    const auto probe = [&](const char *program, std::vector<double> &peaks) {
        const ProbeRun run = runProbe(program, folder);
        peaks.push_back(double(run.peakKb));
        return run.secondsToFirstPaint;
    };
    PairedSamples samples;
    try {
        samples = sideBySide(
            state, [&] { return probe(KUERUMI_STARTUP_PROBE, oursPeak); },
            [&] { return probe(MINIMAL_STARTUP_PROBE, minimalPeak); });
    } catch (const std::exception &error) {
        state.SkipWithError(error.what());
        return;
    }
    addTimeRow("start-up (to first painted frame)", samples, 1, 1.25);
    const double ours = median(oursPeak), minimal = median(minimalPeak);
    addRow({"memory (peak resident, start-up and one reading)", formatKb(ours), formatKb(minimal),
            ours / minimal, "≤ 1.15", ours / minimal <= 1.15});
}

// The reading at three card sizes, in turn: time per megapixel decoded.
void BM_Scaling(benchmark::State &state)
{
    constexpr int Sizes = std::size(ScalingSizes);
    std::vector<std::unique_ptr<OpenWindow>> windows;
    for (CardSize size : ScalingSizes)
        windows.push_back(std::make_unique<OpenWindow>(size));
    std::vector<double> perMegapixel[Sizes];
    const auto readingAt = [&](int k) {
        std::filesystem::current_path(deck->deckFolder(ScalingSizes[k]));
        const double seconds = stopwatch([&] { windows[size_t(k)]->reading(); });
        settleEvents();
        return seconds;
    };
    for (int k = 0; k < Sizes; ++k)
        readingAt(k);
    int first = 0;
    for (auto _ : state) {
        double total = 0;
        for (int i = 0; i < Sizes; ++i) {
            const int k = (first + i) % Sizes;
            const double seconds = readingAt(k);
            const double megapixels = 22.0 * ScalingSizes[k].width * ScalingSizes[k].height / 1e6;
            perMegapixel[k].push_back(seconds / megapixels);
            total += seconds;
        }
        first = (first + 1) % Sizes;
        state.SetIterationTime(total);
    }
    for (int k = 0; k < Sizes; ++k) {
        if (!windows[size_t(k)]->dealtEveryCard(ScalingSizes[k])) {
            state.SkipWithError("a reading did not reach the last card");
            return;
        }
    }
    std::string times;
    for (int k = 0; k < Sizes; ++k) {
        times += (k ? " · " : "") + std::to_string(ScalingSizes[k].width) + "×"
                 + std::to_string(ScalingSizes[k].height) + ": " + formatSeconds(median(perMegapixel[k]));
    }
    const double ratio = median(perMegapixel[2]) / median(perMegapixel[1]);
    addRow({"scaling (reading, time per megapixel; ratio largest / middle)", times, "—", ratio,
            "0.80 to 1.20", ratio >= 0.8 && ratio <= 1.2});
}

BENCHMARK(BM_LoadCard)->Iterations(101)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadScan)->Iterations(31)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Turn90And270)->Iterations(31)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Turn180)->Iterations(31)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reading)->Iterations(101)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Spread)->Iterations(101)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartUpAndMemory)->Iterations(31)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Scaling)->Iterations(15)->UseManualTime()->Unit(benchmark::kMillisecond);

// Progress on standard error, one line a benchmark; the table alone goes to
// standard output.
class ProgressReporter : public benchmark::BenchmarkReporter
{
public:
    bool ReportContext(const Context &) override { return true; }
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            std::fprintf(stderr, "  %s%s%s\n", run.benchmark_name().c_str(), run.error_occurred ? ": " : "",
                         run.error_occurred ? run.error_message.c_str() : "");
        }
    }
};

} // namespace

int main(int argc, char *argv[])
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    // The window runs on Qt's offscreen platform, with a desktop's screen on
    // which it does not scroll: no display is needed and painting costs the
    // same on every machine. What Qt says about that
    // platform would only break up the progress lines.
    qputenv("QT_QPA_PLATFORM", KUERUMI_OFFSCREEN);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    ReportingApplication application(argc, argv);
    const auto home = std::filesystem::current_path();
    std::fprintf(stderr, "Making the pictures...\n");
    BenchDeck pictures;
    deck = &pictures;
    ProgressReporter progress;
    benchmark::RunSpecifiedBenchmarks(&progress);
    std::filesystem::current_path(home);
    printTable();
    benchmark::Shutdown();
    return 0;
}
