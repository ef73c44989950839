// The table of ratios: each piece of the program's work against the floor
// of the same work done bare, measured side by side in one run, pair after
// pair. bench/run builds this optimised and prints the table.

#include "baredecode.h"
#include "benchdeck.h"
#include "launch.h"
#include "picturewall.h"
#include "programwindow.h"
#include "ratiotable.h"

#include "decoderprocess.h"
#include "errorreporter.h"
#include "picturefile.h"
#include "pictureinput.h"
#include "quarterturn.h"
#include "workerthread.h"

#include <benchmark/benchmark.h>

#include <QImage>
#include <QImageReader>
#include <QTransform>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <stdexcept>

#include <sched.h>

namespace {

const BenchDeck *deck = nullptr;
// The X server that bench/run starts for the benchmark, if any.
std::string x11Display;

// Runs a row inside the benchmark's single iteration; an error skips it.
template<typename Row>
void runRow(benchmark::State &state, Row &&row)
{
    for (auto _ : state) {
        try {
            state.SetIterationTime(stopwatch(row));
        } catch (const std::exception &error) {
            state.SkipWithError(error.what());
            return;
        }
    }
}

std::string sizeText(CardSize size)
{
    return std::to_string(size.width) + "×" + std::to_string(size.height);
}

std::vector<std::vector<uint8_t>> filesBytes(const std::vector<std::string> &paths)
{
    std::vector<std::vector<uint8_t>> files;
    for (const std::string &path : paths)
        files.push_back(fileBytes(path));
    return files;
}

// One load, its bitmap freed before the next, as every caller does: the
// decoding alone, in this process, or as the window has it done, in a
// decoder process of this thread.
enum class Where { InProcess, Confined };

// While it lives, this thread keeps to one processor, as each thread of the
// program's pool does, and so does the decoder process it starts.
class KeptAsAPoolThread
{
public:
    KeptAsAPoolThread()
    {
        sched_getaffinity(0, sizeof m_before, &m_before);
        Worker::keepOnProcessor(0);
    }
    ~KeptAsAPoolThread() { sched_setaffinity(0, sizeof m_before, &m_before); }
    KeptAsAPoolThread(const KeptAsAPoolThread &) = delete;
    KeptAsAPoolThread &operator=(const KeptAsAPoolThread &) = delete;

private:
    cpu_set_t m_before{};
};

void loadPicture(const std::string &path, Where where = Where::InProcess)
{
    Bitmap working;
    if (!(where == Where::Confined ? loadPictureConfined(path, working) : LoadPictureFile(path, working)))
        throw std::runtime_error("cannot load " + path);
    benchmark::DoNotOptimize(working.scanLine(0));
}

template<typename BareDecode>
void loadRow(benchmark::State &state, const std::string &name, const std::string &path, int batch, Goal goal,
             BareDecode &&bareDecode)
{
    runRow(state, [&] {
        const std::vector<uint8_t> file = fileBytes(path);
        const auto series = sideBySide(Sampling{}, repeated(batch, [&] { loadPicture(path); }),
                                       repeated(batch, [&] {
                                           const DecodedPicture picture = bareDecode(file);
                                           benchmark::DoNotOptimize(picture.pixels());
                                       }));
        addTimeRow(name, series, batch, goal);
    });
}

void jpegLoadRow(benchmark::State &state, const std::string &name, const std::string &path, int batch, Goal goal)
{
    loadRow(state, name, path, batch, goal,
            [](const std::vector<uint8_t> &file) { return bareJpegDecode(file); });
}

void pngLoadRow(benchmark::State &state, const std::string &name, CardSize size, PngKind kind, int batch)
{
    loadRow(state, name, deck->pngFile(size, kind), batch, Goal::atMost(1.10),
            [kind](const std::vector<uint8_t> &file) {
                // The program shows a palette's picture in the halftone
                // palette: the floor maps its pixels too.
                return kind == PngKind::Palette ? barePngDecodeToHalftone(file) : barePngDecode(file);
            });
}

void BM_LoadCard(benchmark::State &state)
{
    jpegLoadRow(state, "load, card (JPEG, 105×153)", deck->cardFiles(CardPicture)[0], 40, Goal::atMost(1.10));
}

// The scan's pixels take large pages on both sides: what is left is the
// decoder's work and ours around it.
void BM_LoadScan(benchmark::State &state)
{
    jpegLoadRow(state, "load, scan (JPEG, 3000×4500)", deck->scanFile(), 1, Goal::atMost(1.05));
}

void BM_LoadPngCard(benchmark::State &state)
{
    pngLoadRow(state, "load, PNG (RGB, 105×153)", CardPicture, PngKind::Rgb, 40);
}

void BM_LoadPngAlpha(benchmark::State &state)
{
    pngLoadRow(state, "load, PNG (RGB and alpha, 105×153)", CardPicture, PngKind::Alpha, 40);
}

void BM_LoadPngPalette(benchmark::State &state)
{
    pngLoadRow(state, "load, PNG (palette, 105×153)", CardPicture, PngKind::Palette, 40);
}

void BM_LoadPngPhoto(benchmark::State &state)
{
    pngLoadRow(state, "load, PNG (RGB, 1000×1500)", PngPhoto, PngKind::Rgb, 1);
}

// What a decoder process adds to a card: the file handed over, the memory
// asked for and shared, the answers, against the same decoding in this
// process. Reported.
void BM_ConfinedCard(benchmark::State &state)
{
    runRow(state, [&] {
        constexpr int Batch = 40;
        const std::string path = deck->cardFiles(CardPicture)[0];
        const KeptAsAPoolThread kept;
        const auto series = sideBySide(Sampling{}, repeated(Batch, [&] { loadPicture(path, Where::Confined); }),
                                       repeated(Batch, [&] { loadPicture(path); }));
        addTimeRow("load, card (JPEG, 105×153), in a decoder process against in this one", series, Batch,
                   Goal::none());
    });
}

// The limit of a turn: the turned picture's bytes copied into new memory,
// taken as a turn takes it. A quarter turn writes across thousands of rows
// at once and cannot come near it; its goal is set against Qt's turn.
void copyBytes(const Bitmap &picture)
{
    const size_t size = picture.bytesPerLine() * size_t(picture.height());
    const PixelMemory::Words copy = pixelMemory(size);
    std::memcpy(copy.get(), picture.scanLine(0), size);
    benchmark::DoNotOptimize(copy.get());
}

Bitmap loadedScan()
{
    Bitmap scan;
    if (!LoadPictureFile(deck->scanFile(), scan) || scan.pixelFormat() != PixelFormat::Rgb24)
        throw std::runtime_error("the scan did not load as a 24-bit picture");
    return scan;
}

void turnRow(benchmark::State &state, const char *name, int firstAngle, int secondAngle, Goal goal)
{
    runRow(state, [&] {
        const Bitmap scan = loadedScan();
        const Bitmap turned = quarterTurn(scan, scan.width(), scan.height(), firstAngle);
        int turn = 0;
        const auto series = sideBySide(
            Sampling{},
            [&] {
                const int angle = turn++ % 2 == 0 ? firstAngle : secondAngle;
                return stopwatch([&] {
                    const Bitmap result = quarterTurn(scan, scan.width(), scan.height(), angle);
                    benchmark::DoNotOptimize(result.scanLine(0));
                });
            },
            [&] { return stopwatch([&] { copyBytes(turned); }); });
        addTimeRow(name, series, 1, goal);
    });
}

void BM_Turn90And270(benchmark::State &state)
{
    turnRow(state, "turn 90 and 270 (3000×4500, 24-bit)", 90, 270, Goal::none());
}

void BM_Turn180(benchmark::State &state)
{
    turnRow(state, "turn 180 (3000×4500, 24-bit)", 180, 180, Goal::atMost(1.10));
}

// Against what a user would pick instead: another Qt program, which
// decodes with QImageReader and turns with QImage::transformed. Each side
// makes the same picture from the same file, ours the program's bitmap,
// decoded as the window has it decoded, in a decoder process; Qt's a QImage
// in the format its reader gives: neither is converted further.
void qtLoadRow(benchmark::State &state, const std::string &name, const std::string &path, int batch)
{
    runRow(state, [&] {
        const QString file = QString::fromStdString(path);
        const auto qtRead = [&] {
            QImageReader reader(file);
            const QImage picture = reader.read();
            if (picture.isNull())
                throw std::runtime_error("Qt cannot read " + path + ": " + reader.errorString().toStdString());
            return picture;
        };
        const KeptAsAPoolThread kept; // Qt's reader is no slower on one processor
        Bitmap ours;
        const QImage qt = qtRead();
        if (!loadPictureConfined(path, ours) || qt.width() != ours.width() || qt.height() != ours.height())
            throw std::runtime_error("the program and Qt do not read " + path + " alike");
        const auto series = sideBySide(Sampling{}, repeated(batch, [&] { loadPicture(path, Where::Confined); }),
                                       repeated(batch, [&] { benchmark::DoNotOptimize(qtRead().constBits()); }));
        addTimeRow(name, series, batch, Goal::atMost(1.00));
    });
}

void BM_QtLoadCard(benchmark::State &state)
{
    qtLoadRow(state, "load, card (JPEG, 105×153), against QImageReader", deck->cardFiles(CardPicture)[0], 40);
}

void BM_QtLoadScan(benchmark::State &state)
{
    qtLoadRow(state, "load, scan (JPEG, 3000×4500), against QImageReader", deck->scanFile(), 1);
}

void BM_QtLoadPngCard(benchmark::State &state)
{
    qtLoadRow(state, "load, PNG (RGB, 105×153), against QImageReader", deck->pngFile(CardPicture, PngKind::Rgb),
              40);
}

void BM_QtLoadPngPalette(benchmark::State &state)
{
    qtLoadRow(state, "load, PNG (palette, 105×153), against QImageReader",
              deck->pngFile(CardPicture, PngKind::Palette), 40);
}

void BM_QtLoadGif(benchmark::State &state)
{
    qtLoadRow(state, "load, GIF (105×153), against QImageReader", deck->gifFile(CardPicture), 40);
}

void BM_QtLoadBmp(benchmark::State &state)
{
    qtLoadRow(state, "load, BMP (24-bit, 105×153), against QImageReader", deck->bmpFile(CardPicture), 40);
}

// True when Qt's turned picture holds the colours of ours.
bool sameTurn(const Bitmap &ours, const QImage &qt)
{
    if (qt.format() != QImage::Format_RGB32 || qt.width() != ours.width() || qt.height() != ours.height())
        return false;
    for (int y = 0; y < ours.height(); ++y) {
        const uint32_t *ourRow = ours.scanLine32(y);
        const auto *qtRow = reinterpret_cast<const uint32_t *>(qt.constScanLine(y));
        for (int x = 0; x < ours.width(); ++x) {
            if (((ourRow[x] ^ qtRow[x]) & 0xFFFFFF) != 0)
                return false;
        }
    }
    return true;
}

// Our turn gives a 32-bit picture; Qt's side is the cheaper, sample by
// sample, of turning the 24-bit picture and then converting it, or
// converting first and then turning.
void qtTurnRow(benchmark::State &state, const char *name, int firstAngle, int secondAngle, Goal goal)
{
    runRow(state, [&] {
        const Bitmap scan = loadedScan();
        const QImage picture = scan.view();
        const auto turnedByQt = [&](int angle, bool convertFirst) {
            const QTransform turn = QTransform().rotate(angle);
            return convertFirst ? picture.convertToFormat(QImage::Format_RGB32).transformed(turn)
                                : picture.transformed(turn).convertToFormat(QImage::Format_RGB32);
        };
        for (const int angle : {firstAngle, secondAngle}) {
            const Bitmap ours = quarterTurn(scan, scan.width(), scan.height(), angle);
            for (const bool convertFirst : {false, true}) {
                if (!sameTurn(ours, turnedByQt(angle, convertFirst)))
                    throw std::runtime_error("the program and Qt do not turn the scan alike");
            }
        }
        int oursTurn = 0, qtTurn = 0;
        const auto series = sideBySide(
            Sampling{},
            [&] {
                const int angle = oursTurn++ % 2 == 0 ? firstAngle : secondAngle;
                return stopwatch([&] {
                    const Bitmap result = quarterTurn(scan, scan.width(), scan.height(), angle);
                    benchmark::DoNotOptimize(result.scanLine(0));
                });
            },
            [&] {
                const int angle = qtTurn++ % 2 == 0 ? firstAngle : secondAngle;
                double fastest = std::numeric_limits<double>::infinity();
                for (const bool convertFirst : {false, true}) {
                    fastest = std::min(fastest, stopwatch([&] {
                                           benchmark::DoNotOptimize(turnedByQt(angle, convertFirst).constBits());
                                       }));
                }
                return fastest;
            });
        addTimeRow(name, series, 1, goal);
    });
}

void BM_QtTurn90And270(benchmark::State &state)
{
    qtTurnRow(state, "turn 90 and 270 (3000×4500, 24-bit), against QImage::transformed", 90, 270,
              Goal::atMost(0.30));
}

void BM_QtTurn180(benchmark::State &state)
{
    qtTurnRow(state, "turn 180 (3000×4500, 24-bit), against QImage::transformed", 180, 180, Goal::atMost(1.00));
}

// The floor of a command that shows pictures: the bare decodes of the same
// files, in the decoder's own 24 bits as the program holds them, and the
// paint of as many of them as the window shows, until the wall answers
// again.
double bareShow(const std::vector<std::vector<uint8_t>> &files, int shown, PictureWall &wall)
{
    return stopwatch([&] {
        std::vector<DecodedPicture> pictures;
        for (const std::vector<uint8_t> &file : files)
            pictures.push_back(bareJpegDecode(file));
        wall.showPictures(std::move(pictures), shown);
    });
}

// A sample of that many commands that time themselves: their seconds summed.
template<typename Work>
auto timesOver(int times, Work work)
{
    return [times, work] {
        double seconds = 0;
        for (int i = 0; i < times; ++i)
            seconds += work();
        return seconds;
    };
}

void BM_Reading(benchmark::State &state)
{
    runRow(state, [&] {
        constexpr int Batch = 4;
        ProgramWindow window(deck->deckFolder(CardPicture));
        PictureWall wall;
        const auto files = filesBytes(deck->cardFiles(CardPicture));
        const int shown = window.shownPictures();
        const auto series = sideBySide(Sampling{}, timesOver(Batch, [&] { return window.reading(); }),
                                       timesOver(Batch, [&] { return bareShow(files, shown, wall); }),
                                       settleEvents);
        if (!window.dealtEveryCard(CardPicture))
            throw std::runtime_error("the reading did not reach the last card");
        addTimeRow("reading (22 cards of 105×153, " + std::to_string(shown) + " shown; paint included)", series,
                   Batch, Goal::atMost(1.30));
    });
}

void BM_Spread(benchmark::State &state)
{
    runRow(state, [&] {
        constexpr int Batch = 4;
        ProgramWindow window(deck->deckFolder(CardPicture));
        PictureWall wall;
        // 22 slots and the crossing card
        const std::vector<std::vector<uint8_t>> backs(23, fileBytes(deck->backFile(CardPicture)));
        window.chooseCelticCross();
        const int shown = window.shownPictures();
        const auto series = sideBySide(Sampling{}, timesOver(Batch, [&] { return window.chooseCelticCross(); }),
                                       timesOver(Batch, [&] { return bareShow(backs, shown, wall); }),
                                       settleEvents);
        if (!window.crossingCardSideways(CardPicture))
            throw std::runtime_error("the Celtic Cross was not laid out");
        addTimeRow("spread (Celtic Cross, " + std::to_string(shown) + " shown; paint included)", series, Batch,
                   Goal::atMost(1.30));
    });
}

// The loads of a reading or a spread change one after another on one
// thread, the program's own, each bitmap freed before the next: what the
// window's command took before it decoded ahead.
double loadsOneAfterAnother(const std::vector<std::string> &paths)
{
    return stopwatch([&] {
        for (const std::string &path : paths)
            loadPicture(path);
    });
}

// The goal of a command of large pictures, decoded ahead on every core the
// process may run on: a share of the loads one after another for each
// core, and a little for what the window does around them.
Goal everyCoreGoal()
{
    return Goal::atMost(1.0 / Worker::poolSize() + 0.15);
}

std::string coresText()
{
    const int cores = Worker::poolSize();
    return std::to_string(cores) + (cores == 1 ? " core" : " cores");
}

// A reading of 22 photographs, reversed cards turned, until the window
// answers again: what decoding ahead on every core gains over the same
// loads one after another.
void BM_PhotoReading(benchmark::State &state)
{
    runRow(state, [&] {
        ProgramWindow window(deck->deckFolder(PhotoPicture));
        const std::vector<std::string> files = deck->cardFiles(PhotoPicture);
        const auto series = sideBySide(
            Sampling{11, 5000, 60}, [&] { return window.reading(); }, [&] { return loadsOneAfterAnother(files); },
            settleEvents);
        if (!window.dealtEveryCard(PhotoPicture))
            throw std::runtime_error("the photographs' reading did not reach the last card");
        addTimeRow("reading (22 photographs of " + sizeText(PhotoPicture)
                       + ", paint included; against the same 22 loads one after another, on " + coresText() + ")",
                   series, 1, everyCoreGoal());
    });
}

// A spread change with a back of a photograph's size: 22 backs decoded
// ahead, then the crossing slot's own back and its quarter turn.
void BM_PhotoSpread(benchmark::State &state)
{
    runRow(state, [&] {
        ProgramWindow window(deck->deckFolder(PhotoPicture));
        // 22 slots and the crossing card
        const std::vector<std::string> backs(23, deck->backFile(PhotoPicture));
        window.chooseCelticCross();
        const auto series = sideBySide(
            Sampling{11, 5000, 60}, [&] { return window.chooseCelticCross(); },
            [&] { return loadsOneAfterAnother(backs); }, settleEvents);
        if (!window.crossingCardSideways(PhotoPicture))
            throw std::runtime_error("the Celtic Cross of photographs was not laid out");
        addTimeRow("spread (Celtic Cross, a back of " + sizeText(PhotoPicture)
                       + ", paint included; against the same 23 loads one after another, on " + coresText() + ")",
                   series, 1, everyCoreGoal());
    });
}

// The worst reading that the program accepts, until the window answers
// again, against bare decodes of the same pictures: what the program adds to
// the decoder's work, however hostile the files. What the files themselves
// cost against plain ones of their size the bound on a picture's scans sets
// (see the README); the window must answer within ten seconds.
void BM_HostileReading(benchmark::State &state)
{
    runRow(state, [&] {
        ProgramWindow window(deck->hostileDeckFolder());
        const auto files = filesBytes(deck->hostileCardFiles());
        std::vector<double> pauses;
        const auto series = sideBySide(
            Sampling{7, 5000, 60},
            [&] {
                double seconds = 0;
                pauses.push_back(ProgramWindow::longestPauseDuring([&] { seconds = window.reading(); }));
                return seconds;
            },
            [&] {
                return stopwatch([&] {
                    for (const std::vector<uint8_t> &file : files) {
                        const DecodedPicture picture = bareJpegDecode(file);
                        benchmark::DoNotOptimize(picture.pixels());
                    }
                });
            },
            settleEvents);
        if (!window.dealtEveryCard(HostilePicture))
            throw std::runtime_error("the hostile reading did not reach the last card");
        addTimeRow("hostile reading (22 of " + sizeText(HostilePicture)
                       + ", every bit of every coefficient by itself; against bare decodes of the same files)",
                   series, 1, Goal::atMost(2.0).andAnswersWithin(10));
        addLimitRow("longest time the window did not answer during the hostile reading", pauses, 0.050);
    });
}

// A reading of cards of each format behind as many bytes of the costliest
// kind as a load may read, against the bare decode of the 22 plain cards:
// the price of the allowance. Its goal is that the window answers within
// ten seconds; the ratio says how much the padding costs.
void BM_HostileBytes(benchmark::State &state)
{
    runRow(state, [&] {
        ProgramWindow window(deck->paddedDeckFolder());
        PictureWall wall;
        const auto files = filesBytes(deck->cardFiles(CardPicture));
        const int shown = window.shownPictures();
        const auto series = sideBySide(
            Sampling{7, 5000, 60}, [&] { return window.reading(); }, [&] { return bareShow(files, shown, wall); },
            settleEvents);
        if (!window.dealtEveryCard(CardPicture))
            throw std::runtime_error("the hostile bytes reading did not reach the last card");
        addTimeRow("hostile bytes (22 cards of 105×153, JPEG, PNG, GIF and BMP in turn, each behind "
                       + formatKb(double(PictureInput::ExtraAllowance) / 1024) + " less 128 KiB of padding; "
                       + "against bare decodes of the plain cards)",
                   series, 1, Goal::answersWithin(10));
    });
}

// The shipped program or the minimal one, started afresh with the frame
// probe preloaded, offscreen or on the X display given, and given one reading
// after its first frame.
ProbeRun probedRun(const char *program, const std::string &display)
{
    const ProbeRun probed = runWithProbe(program, FRAME_PROBE, deck->deckFolder(CardPicture), display);
    const bool reads = program == std::string(SHIPPED_PROGRAM) || program == std::string(FORM_WINDOW);
    if (reads && probed.lastSlot.rfind("カード", 0) != 0)
        throw std::runtime_error(std::string("the probe's reading did not reach the last card in ") + program);
    return probed;
}

// Rounds of programs started the same way, the shipped program first
// among them: it runs first and last in turn, the others in between in the
// order given, and then backwards, so that whatever the machine does
// meanwhile weighs on both sides of each pair. add takes each round's runs,
// in the order given.
template<typename Add>
void startUpRounds(const std::string &display, const std::vector<const char *> &programs,
                   std::initializer_list<const PairSeries *> watched, Add &&add)
{
    for (const char *program : programs)
        probedRun(program, display);
    drawPairs(Sampling{21, 5000, 60}, watched, [&](bool oursFirst) {
        std::vector<ProbeRun> runs(programs.size());
        for (size_t i = 0; i < programs.size(); ++i) {
            const size_t k = oursFirst ? i : programs.size() - 1 - i;
            runs[k] = probedRun(programs[k], display);
        }
        add(runs);
    });
}

// Start-up of the shipped program against the minimal window, and its
// memory against the form window (formwindow.cpp: the same window made as
// any Qt program would make it) and against the card window, all on Qt's
// offscreen platform. The X server's rows are the start-up's goals;
// offscreen, where no window system takes its share, the ratio is reported
// and held to a guard. The card window, which shows the 22 cards and
// nothing else, is a limit no window of the program's reaches: reported.
void BM_StartUpAndMemory(benchmark::State &state)
{
    runRow(state, [&] {
        PairSeries wall, cpu, memory, cardMemory;
        startUpRounds({}, {SHIPPED_PROGRAM, MINIMAL_PROGRAM, CARD_WINDOW, FORM_WINDOW},
                      {&wall, &cpu, &memory, &cardMemory}, [&](const std::vector<ProbeRun> &runs) {
                          const ProbeRun &ours = runs[0], &minimal = runs[1], &cards = runs[2], &form = runs[3];
                          wall.add(ours.secondsToFrame, minimal.secondsToFrame);
                          cpu.add(ours.cpuSecondsToFrame, minimal.cpuSecondsToFrame);
                          memory.add(double(ours.peakKb), double(form.peakKb));
                          cardMemory.add(double(ours.peakKb), double(cards.peakKb));
                      });
        addTimeRow("start-up to the first painted frame, wall time", wall, 1, Goal::atMost(1.40));
        addTimeRow("start-up to the first painted frame, CPU time", cpu, 1, Goal::atMost(1.40));
        addRow("memory (peak resident, start-up and one reading; against the form window, its pictures through "
               "QPixmap)",
               memory, formatKb(memory.ours()), formatKb(memory.floor()), Goal::atMost(1.00));
        addRow("memory (peak resident, start-up and one reading; against a window showing the 22 cards)",
               cardMemory, formatKb(cardMemory.ours()), formatKb(cardMemory.floor()), Goal::none());
    });
}

// Start-up as the user meets it: on an X server (bench/run starts a virtual
// one), until the server has the first frame; against the form window, and
// the minimal window reported beside it.
void BM_StartUpOnX11(benchmark::State &state)
{
    runRow(state, [&] {
        if (x11Display.empty())
            throw std::runtime_error("no X server (DISPLAY): bench/run starts one");
        PairSeries form, minimal;
        startUpRounds(x11Display, {SHIPPED_PROGRAM, FORM_WINDOW, MINIMAL_PROGRAM}, {&form, &minimal},
                      [&](const std::vector<ProbeRun> &runs) {
                          form.add(runs[0].secondsToFrame, runs[1].secondsToFrame);
                          minimal.add(runs[0].secondsToFrame, runs[2].secondsToFrame);
                      });
        addTimeRow("start-up to the first frame on an X server (Xvfb), wall time; against the form window", form, 1,
                   Goal::atMost(1.00));
        addTimeRow("start-up to the first frame on an X server (Xvfb), wall time; against the minimal window",
                   minimal, 1, Goal::none());
    });
}

// Left alone once started: the CPU time that the program, every thread of
// it, uses in ten seconds after its first frame and the backs it owed
// after it, offscreen. Nothing to do should cost nothing.
void BM_IdleCpu(benchmark::State &state)
{
    runRow(state, [&] {
        constexpr double IdleSeconds = 10;
        std::vector<double> cpu;
        for (int i = 0; i < 3; ++i)
            cpu.push_back(idleCpuSeconds(SHIPPED_PROGRAM, FRAME_PROBE, deck->deckFolder(CardPicture), IdleSeconds));
        addMillisecondLimitRow("CPU time in 10 s left alone after start-up (offscreen)", cpu, 0);
    });
}

// The reading, paint included, at the middle and the largest card size:
// time per megapixel decoded, largest over middle. Large pictures may cost
// less per megapixel, not more.
void BM_Scaling(benchmark::State &state)
{
    runRow(state, [&] {
        ProgramWindow middle(deck->deckFolder(MiddlePicture));
        ProgramWindow large(deck->deckFolder(LargePicture));
        const auto perMegapixel = [](ProgramWindow &window, CardSize size) {
            return window.reading() / (22.0 * size.width * size.height / 1e6);
        };
        const auto series = sideBySide(
            Sampling{11, 5000, 60}, [&] { return perMegapixel(large, LargePicture); },
            [&] { return perMegapixel(middle, MiddlePicture); }, settleEvents);
        if (!middle.dealtEveryCard(MiddlePicture) || !large.dealtEveryCard(LargePicture))
            throw std::runtime_error("a reading did not reach the last card");
        addRow("time per megapixel (reading, paint included), largest over middle size", series,
               sizeText(LargePicture) + ": " + formatSeconds(series.ours()) + "/MP",
               sizeText(MiddlePicture) + ": " + formatSeconds(series.floor()) + "/MP",
               Goal::atMost(1.15));
    });
}

// Each benchmark is one iteration: the row inside it draws its own pairs.
#define ROW(function) BENCHMARK(function)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond)
ROW(BM_LoadCard);
ROW(BM_LoadScan);
ROW(BM_LoadPngCard);
ROW(BM_LoadPngAlpha);
ROW(BM_LoadPngPalette);
ROW(BM_LoadPngPhoto);
ROW(BM_ConfinedCard);
ROW(BM_Turn90And270);
ROW(BM_Turn180);
ROW(BM_QtLoadCard);
ROW(BM_QtLoadScan);
ROW(BM_QtLoadPngCard);
ROW(BM_QtLoadPngPalette);
ROW(BM_QtLoadGif);
ROW(BM_QtLoadBmp);
ROW(BM_QtTurn90And270);
ROW(BM_QtTurn180);
ROW(BM_Reading);
ROW(BM_Spread);
ROW(BM_PhotoReading);
ROW(BM_PhotoSpread);
ROW(BM_HostileReading);
ROW(BM_HostileBytes);
ROW(BM_StartUpAndMemory);
ROW(BM_StartUpOnX11);
ROW(BM_IdleCpu);
ROW(BM_Scaling);

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
    setDecoderProgramForTesting(KUERUMI_DECODER);
    // Kept for the programs started on X11 only: given a display, the
    // offscreen platform would connect to it.
    if (const char *display = std::getenv("DISPLAY"))
        x11Display = display;
    qunsetenv("DISPLAY");
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    ReportingApplication application(argc, argv);
    const auto home = std::filesystem::current_path();
    BenchDeck pictures;
    deck = &pictures;
    ProgressReporter progress;
    benchmark::RunSpecifiedBenchmarks(&progress);
    std::filesystem::current_path(home);
    printTable();
    benchmark::Shutdown();
    return 0;
}
