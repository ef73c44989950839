// The soak: show-cards commands and spread changes, 10,000 of each by
// default, in one process on the offscreen platform over a test deck, with
// reversed cards on so that pictures are turned too. Resident memory may
// grow while the first hundred of each run (caches, fonts, first pictures)
// and by at most 1 MiB after that. Prints what it measured; exits non-zero
// when memory grew past that or a reading did not reach its last slot.
// Usage: soak [COMMANDS]

#include "errorreporter.h"
#include "testdeck.h"
#include "uranai1.h"
#include "workdir.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

constexpr long AllowedGrowthKiB = 1024;
constexpr int WarmUp = 100;

// VmRSS of /proc/self/status, in KiB.
long residentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

#if defined(__SANITIZE_ADDRESS__)
// AddressSanitizer holds freed memory back for a while, so resident memory
// says nothing here; this build looks for leaks instead.
constexpr bool MeasuresMemory = false;
#else
constexpr bool MeasuresMemory = true;
#endif

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", KUERUMI_OFFSCREEN);
    ReportingApplication application(argc, argv);
    const int commands = argc > 1 ? std::stoi(argv[1]) : 10000;

    ScopedWorkDir dir;
    TestDeck::write();
    TForm1 form;
    form.show();
    form.control<QCheckBox>(QStringLiteral("CheckBox1"))->setChecked(true);
    auto *showCards = form.control<QPushButton>(QStringLiteral("btn1uranaikaisi"));
    QAction *spreads[] = {form.control<QAction>(QStringLiteral("N6")), form.control<QAction>(QStringLiteral("N7")),
                          form.control<QAction>(QStringLiteral("N8")), form.control<QAction>(QStringLiteral("N9")),
                          form.control<QAction>(QStringLiteral("N10"))};
    auto *lastText = form.control<QLineEdit>("Edit", 22);

    long baseline = 0;
    long peak = 0;
    int incomplete = 0;
    const auto start = std::chrono::steady_clock::now();
    auto measured = start;
    for (int i = 0; i < commands; ++i) {
        spreads[i % 5]->trigger();
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
    bool failed = false;
    if (incomplete > 0) {
        std::printf("soak: FAILED: %d readings did not reach the last slot\n", incomplete);
        failed = true;
    }
    if (MeasuresMemory && growth > AllowedGrowthKiB) {
        std::printf("soak: FAILED: resident memory grew by %ld KiB (at most %ld allowed)\n", growth, AllowedGrowthKiB);
        failed = true;
    } else if (MeasuresMemory) {
        std::printf("soak: resident memory grew by %ld KiB (at most %ld allowed)\n", growth, AllowedGrowthKiB);
    }
    return failed ? 1 : 0;
}
