#include "programwindow.h"

#include "generator.h"
#include "imagebox.h"
#include "ratiotable.h"
#include "uranai1.h"

#include <QAction>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

void settleEvents()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // The program's threads beside the window and its decoder processes
    // finish their last steps (a picture's memory given back, a job's end):
    // the next sample, ours or the floor's, begins once they sleep, as a
    // command a user gives after a pause begins.
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

ProgramWindow::ProgramWindow(std::string folder) : m_folder(std::move(folder))
{
    std::filesystem::current_path(m_folder);
    m_form = std::make_unique<TForm1>();
    m_frames = std::make_unique<FrameWatcher>(m_form.get());
    m_frames->runUntilShown([this] { m_form->show(); });
    settleEvents();
}

ProgramWindow::~ProgramWindow() = default;

double ProgramWindow::timedUntilShown(const std::function<void()> &command)
{
    std::filesystem::current_path(m_folder);
    return stopwatch([&] { m_frames->runUntilShown(command); });
}

double ProgramWindow::reading()
{
    GeneratorState = m_seed++;
    QPushButton *showCards = m_form->control<QPushButton>(QStringLiteral("btn1uranaikaisi"));
    return timedUntilShown([showCards] { showCards->click(); });
}

double ProgramWindow::chooseCelticCross()
{
    QAction *celticCross = m_form->control<QAction>(QStringLiteral("N10"));
    return timedUntilShown([celticCross] { celticCross->trigger(); });
}

double ProgramWindow::longestPauseDuring(const std::function<void()> &command)
{
    using Clock = std::chrono::steady_clock;
    Clock::time_point last = Clock::now();
    Clock::duration longest{};
    const auto turned = [&] {
        const Clock::time_point now = Clock::now();
        longest = std::max(longest, now - last);
        last = now;
    };
    // A timer fires only when the loop turns, at most a millisecond late.
    QTimer turns;
    turns.setTimerType(Qt::PreciseTimer);
    QObject::connect(&turns, &QTimer::timeout, turned);
    turns.start(1);
    command();
    turned();
    return std::chrono::duration<double>(longest).count();
}

int ProgramWindow::shownPictures() const
{
    int shown = 0;
    for (int slot = 1; slot <= 22; ++slot)
        shown += m_form->control<ImageBox>("Image", slot)->isVisible() ? 1 : 0;
    return shown;
}

bool ProgramWindow::dealtEveryCard(CardSize size) const
{
    const Bitmap *picture = m_form->control<ImageBox>("Image", 22)->picture();
    return m_form->control<QLineEdit>("Edit", 22)->text().startsWith(QStringLiteral("カード")) && picture
           && picture->width() * picture->height() == size.width * size.height;
}

bool ProgramWindow::crossingCardSideways(CardSize size) const
{
    const Bitmap *picture = m_form->control<ImageBox>("Image", 2)->picture();
    return picture && picture->width() == size.height && picture->height() == size.width;
}
