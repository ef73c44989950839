// The soak, in one process on the offscreen platform, with reversed cards
// on so that pictures are turned too:
// - show-cards commands and spread changes, 10,000 of each by default, over
//   the test deck. Resident memory may grow while the first hundred of each
//   run (caches, fonts, first pictures) and by at most 1 MiB after that.
// - readings of large cards, 100 by default: 22 card lines naming one
//   photograph of 2800 x 2800. Resident memory may reach what the slots'
//   pictures hold and 160 MiB more; what it holds beside them may grow by
//   at most a tenth of the resident size after the second reading. (The
//   slots' pictures themselves change with the deal: a reversed card is
//   held at 32 bits, an upright one at 24.)
// Prints what it measured, the large readings one by one; exits non-zero
// when memory grew past that or a reading did not reach its last slot.
// Usage: soak [COMMANDS [LARGE_READINGS]]

#include "decoderprocess.h"
#include "errorreporter.h"
#include "imagebox.h"
#include "pixelmemory.h"
#include "spreadtable.h"
#include "testdeck.h"
#include "uranai1.h"
#include "workdir.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRandomGenerator>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

#if defined(__SANITIZE_ADDRESS__)
// AddressSanitizer holds freed memory back for a while, so resident memory
// says nothing here; this build looks for leaks instead.
constexpr bool MeasuresMemory = false;
#else
constexpr bool MeasuresMemory = true;
#endif

constexpr long AllowedGrowthKiB = 1024;
constexpr int WarmUp = 100;
constexpr int LargeSide = 2800;
constexpr long LargeAllowanceKiB = 160 * 1024; // beside what the slots hold
constexpr double LargeGrowth = 0.10;           // after the second reading

// A field of /proc/self/status, in KiB: VmRSS, or VmHWM (its peak so far).
long statusKiB(const char *field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return std::stol(line.substr(std::string(field).size()));
    return -1;
}

long residentKiB()
{
    return statusKiB("VmRSS:");
}

// A photograph's worth of detail: gradients, blotches of colour and grain,
// so that its file is as large and its decoding as costly as a real one's.
void writeLargeCard(const QString &path)
{
    QImage photo(LargeSide, LargeSide, QImage::Format_RGB32);
    QLinearGradient sky(0, 0, LargeSide, LargeSide);
    sky.setColorAt(0, QColor(30, 60, 140));
    sky.setColorAt(1, QColor(220, 180, 90));
    QPainter painter(&photo);
    painter.fillRect(photo.rect(), sky);
    QRandomGenerator random(2800);
    for (int blotch = 0; blotch < 400; ++blotch) {
        painter.setBrush(QColor::fromRgb(random.generate() | 0xFF000000u));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QPoint(random.bounded(LargeSide), random.bounded(LargeSide)), random.bounded(20, 200),
                            random.bounded(20, 200));
    }
    painter.end();
    for (int y = 0; y < LargeSide; ++y) {
        auto *row = reinterpret_cast<QRgb *>(photo.scanLine(y));
        for (int x = 0; x < LargeSide; ++x)
            row[x] ^= random.generate() & 0x0F0F0F;
    }
    photo.save(path, "JPEG", 90);
}

// The bytes of pixels the window's 22 slots hold.
long slotPixelsKiB(const TForm1 &form)
{
    size_t bytes = 0;
    for (int slot = 1; slot <= 22; ++slot) {
        if (const Bitmap *picture = form.control<ImageBox>("Image", slot)->picture())
            bytes += picture->bytesPerLine() * size_t(picture->height());
    }
    return long(bytes / 1024);
}

// The commands over the test deck; true when resident memory stayed within
// bounds and every reading reached its last slot.
bool soakCommands(int commands)
{
    ScopedWorkDir dir;
    TestDeck::write();
    TForm1 form;
    form.show();
    form.control<QCheckBox>(QStringLiteral("CheckBox1"))->setChecked(true);
    auto *showCards = form.control<QPushButton>(QStringLiteral("btn1uranaikaisi"));
    auto *lastText = form.control<QLineEdit>("Edit", 22);

    long baseline = 0;
    long peak = 0;
    int incomplete = 0;
    const auto start = std::chrono::steady_clock::now();
    auto measured = start;
    for (int i = 0; i < commands; ++i) {
        form.control<QAction>(QLatin1String(spreads()[size_t(i % SpreadCount)].menuItem))->trigger();
        lastText->clear();
        showCards->click();
        if (lastText->text().isEmpty())
            ++incomplete;
        QCoreApplication::processEvents(); // what the event loop does between commands
        if (i + 1 == std::min(WarmUp, commands)) {
            baseline = residentKiB();
            measured = std::chrono::steady_clock::now();
        }
        if (i >= WarmUp)
            peak = std::max(peak, residentKiB());
    }
    const long final = residentKiB();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - measured).count();
    const long growth = std::max(peak, final) - baseline;

    std::printf("soak: %d show-cards commands and %d spread changes\n", commands, commands);
    std::printf("soak: resident memory after %d of each %ld KiB, highest after that %ld KiB, at the end %ld KiB\n",
                std::min(WarmUp, commands), baseline, peak, final);
    std::printf("soak: %.1f s for the %d after the first %d (%.2f ms a reading with its spread change)\n", seconds,
                std::max(commands - WarmUp, 0), WarmUp, 1000 * seconds / std::max(commands - WarmUp, 1));
    bool passed = true;
    if (incomplete > 0) {
        std::printf("soak: FAILED: %d readings did not reach the last slot\n", incomplete);
        passed = false;
    }
    if (MeasuresMemory && growth > AllowedGrowthKiB) {
        std::printf("soak: FAILED: resident memory grew by %ld KiB (at most %ld allowed)\n", growth, AllowedGrowthKiB);
        passed = false;
    } else if (MeasuresMemory) {
        std::printf("soak: resident memory grew by %ld KiB (at most %ld allowed)\n", growth, AllowedGrowthKiB);
    }
    return passed;
}

// Readings of the large cards; true when resident memory stayed within
// bounds and every reading reached its last slot.
bool soakLargeCards(int readings)
{
    ScopedWorkDir dir;
    TestDeck::write();
    writeLargeCard(QStringLiteral("cardimages/large.jpg"));
    std::string list = "name,file\r\n";
    for (int k = 0; k < 22; ++k)
        list += TestDeck::cardName(k) + ",large.jpg\r\n";
    ScopedWorkDir::write("cardimages/carddata.csv", list);

    TForm1 form;
    form.show();
    form.control<QCheckBox>(QStringLiteral("CheckBox1"))->setChecked(true);
    auto *showCards = form.control<QPushButton>(QStringLiteral("btn1uranaikaisi"));
    auto *lastText = form.control<QLineEdit>("Edit", 22);
    long slotsHeld = 0, afterSecond = 0, besideAfterSecond = 0, besideHighest = 0;
    int incomplete = 0;
    for (int reading = 1; reading <= readings; ++reading) {
        lastText->clear();
        showCards->click();
        QCoreApplication::processEvents();
        incomplete += lastText->text().isEmpty() ? 1 : 0;
        const long resident = residentKiB();
        const long held = slotPixelsKiB(form);
        slotsHeld = std::max(slotsHeld, held);
        if (reading == 2) {
            afterSecond = resident;
            besideAfterSecond = resident - held;
        }
        if (reading > 2)
            besideHighest = std::max(besideHighest, resident - held);
        std::printf("soak: large reading %d: resident %ld MiB, the slots' pictures %ld MiB\n", reading,
                    resident / 1024, held / 1024);
    }
    const long peak = statusKiB("VmHWM:");
    std::printf("soak: large readings: peak resident %ld MiB; the slots held at most %ld MiB, and %ld MiB more are "
                "allowed\n",
                peak / 1024, slotsHeld / 1024, LargeAllowanceKiB / 1024);
    bool passed = true;
    if (incomplete > 0) {
        std::printf("soak: FAILED: %d large readings did not reach the last slot\n", incomplete);
        passed = false;
    }
    if (MeasuresMemory && peak > slotsHeld + LargeAllowanceKiB) {
        std::printf("soak: FAILED: the peak passed what the slots hold by %ld MiB\n", (peak - slotsHeld) / 1024);
        passed = false;
    }
    if (MeasuresMemory && readings > 2) {
        const double growth = double(besideHighest - besideAfterSecond) / double(afterSecond);
        std::printf("soak: large readings: memory beside the slots' pictures grew by %.1f %% of the resident size "
                    "after the second (at most %.0f %%)\n",
                    100 * growth, 100 * LargeGrowth);
        if (growth > LargeGrowth) {
            std::printf("soak: FAILED: resident memory grew past that\n");
            passed = false;
        }
    }
    return passed;
}

} // namespace

int main(int argc, char **argv)
{
    PixelMemory::setUpHeap(); // as the program does
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", KUERUMI_OFFSCREEN);
    setDecoderProgramForTesting(KUERUMI_DECODER);
    ReportingApplication application(argc, argv);
    const int commands = argc > 1 ? std::stoi(argv[1]) : 10000;
    const int largeReadings = argc > 2 ? std::stoi(argv[2]) : 100;

    bool failed = !soakCommands(commands);
    if (largeReadings > 0 && !soakLargeCards(largeReadings))
        failed = true;
    return failed ? 1 : 0;
}
