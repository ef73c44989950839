#pragma once

// The program's main window on Qt's offscreen platform, opened in a deck's
// folder as the program is in its own, with its commands given as the user
// gives them and timed until the window answers again: the frame that shows
// what they did has been flushed (FrameWatcher::runUntilShown).

#include "benchdeck.h"
#include "framewatcher.h"

#include <memory>
#include <string>

class TForm1;

class ProgramWindow
{
public:
    explicit ProgramWindow(std::string folder);
    ~ProgramWindow();

    // The show-cards button, from a fixed seed so that every run deals the
    // same hands and turns the same cards: the seconds from the click to
    // the flushed frame that shows the reading.
    double reading();
    // The Celtic Cross from the menu, timed the same way.
    double chooseCelticCross();

    // The longest time in seconds that the window's event loop did not turn
    // while command ran: how long the window kept its desktop waiting for an
    // answer, at worst.
    static double longestPauseDuring(const std::function<void()> &command);

    // Image boxes that the spread shows: what a frame paints.
    int shownPictures() const;
    // True when the last reading reached the last slot with a card picture
    // of that size: a reading that stopped early would time less work.
    bool dealtEveryCard(CardSize size) const;
    // True when the crossing card lies on its side, as the Celtic Cross
    // lays it once it has loaded everything.
    bool crossingCardSideways(CardSize size) const;

private:
    double timedUntilShown(const std::function<void()> &command);

    std::string m_folder;
    std::unique_ptr<TForm1> m_form;
    std::unique_ptr<FrameWatcher> m_frames;
    uint32_t m_seed = 20240601;
};

// What is left over from a command (deferred deletes, late updates, the
// threads beside the window finishing), done untimed between samples.
void settleEvents();
