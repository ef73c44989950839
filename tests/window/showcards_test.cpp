#include "windowfixture.h"

#include "busypointer.h"
#include "cardpicture.h"
#include "cardtable.h"
#include "generator.h"
#include "hand.h"
#include "sharedfile.h"
#include "workerthread.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QCursor>
#include <QGuiApplication>
#include <QMimeData>
#include <QSignalSpy>

#include <cerrno>
#include <chrono>
#include <functional>
#include <optional>
#include <set>
#include <vector>

namespace {

// The hand that the next reading deals from a generator state, with the test
// deck numbered 0 to 21 in the card list's order.
struct Hand
{
    std::vector<int> cards;
    ReversedFlagArray reversed;
};

Hand handFrom(uint32_t state, bool reversal)
{
    for (int k = 0; k < DeckSize; ++k)
        CardTable[k] = {std::to_string(k), ""};
    GeneratorState = state;
    ShuffleDeck();
    Hand hand;
    hand.reversed = DealHand(reversal);
    for (int k = 0; k < DeckSize; ++k)
        hand.cards.push_back(std::stoi(DrawnNames[k].substr(0, DrawnNames[k].find_first_not_of("0123456789"))));
    return hand;
}

// The first state from which the hand satisfies wanted.
template<typename Wanted>
uint32_t stateWhere(bool reversal, Wanted wanted)
{
    for (uint32_t state = 1;; ++state) {
        if (wanted(handFrom(state, reversal)))
            return state;
    }
}

} // namespace

class ShowCardsTest : public WindowTest
{
protected:
    // Gives the show-cards command from the given state and returns the hand.
    Hand showCards(uint32_t state)
    {
        const Hand hand = handFrom(state, checkBox()->isChecked());
        GeneratorState = state;
        control<QPushButton>("btn1uranaikaisi")->click();
        return hand;
    }

    void chooseSpread(const char *menuItem) { action(menuItem)->trigger(); }

    QString displayText(int card, bool reversed) const
    {
        return CodePage::toQString(TestDeck::cardName(card)) + (reversed ? QStringLiteral("（逆）") : QString());
    }

    // Slot shows the card of hand position slot - 1, turned as given.
    void expectCard(const Hand &hand, int slot, TestDeck::Turn turn)
    {
        const int card = hand.cards[slot - 1];
        EXPECT_EQ(edit(slot)->text(), displayText(card, hand.reversed[slot - 1] == 1)) << slot;
        EXPECT_EQ(TestDeck::turnOf(shown(slot), TestDeck::cardColour(card)), turn) << "slot " << slot;
        const bool sideways = turn == TestDeck::Turn::Clockwise || turn == TestDeck::Turn::CounterClockwise;
        EXPECT_EQ(image(slot)->size(), sideways ? QSize(TestDeck::CardHeight, TestDeck::CardWidth)
                                                : QSize(TestDeck::CardWidth, TestDeck::CardHeight));
    }

    static TestDeck::Turn upright(const Hand &hand, int slot)
    {
        return hand.reversed[slot - 1] ? TestDeck::Turn::UpsideDown : TestDeck::Turn::Upright;
    }

    void expectPlaceholder(int slot, bool sideways = false)
    {
        EXPECT_EQ(TestDeck::turnOf(shown(slot), TestDeck::PlaceholderColour),
                  sideways ? TestDeck::Turn::CounterClockwise : TestDeck::Turn::Upright) << "slot " << slot;
    }
};

TEST_F(ShowCardsTest, CelticCrossWithoutReversal)
{
    chooseSpread("N10");
    checkBox()->setChecked(false);
    const Hand hand = showCards(0);
    expectCard(hand, 2, TestDeck::Turn::CounterClockwise);
    for (int slot = 1; slot <= 22; ++slot) {
        EXPECT_FALSE(edit(slot)->text().endsWith(QStringLiteral("（逆）")));
        if (slot != 2)
            expectCard(hand, slot, TestDeck::Turn::Upright);
    }
    EXPECT_EQ(list()->currentIndex(), CelticCross) << "the reading leaves the layout alone";
    EXPECT_TRUE(image(11)->isHidden());
}

TEST_F(ShowCardsTest, CelticCrossReversedCrossingCardEndsAQuarterTurnClockwise)
{
    chooseSpread("N10");
    const Hand hand = showCards(0); // deals positions 1, 3, 7, 11 and 14 reversed
    ASSERT_EQ(hand.reversed[1], 1);
    expectCard(hand, 2, TestDeck::Turn::Clockwise);
    EXPECT_TRUE(edit(2)->text().endsWith(QStringLiteral("（逆）")));
    for (int slot = 1; slot <= 22; ++slot) {
        if (slot != 2)
            expectCard(hand, slot, upright(hand, slot));
    }
}

TEST_F(ShowCardsTest, CelticCrossTurnsSlotsOneAndThreeByAHalfOnly)
{
    chooseSpread("N10");
    const uint32_t state = stateWhere(true, [](const Hand &h) { return h.reversed[0] && h.reversed[2]; });
    const Hand hand = showCards(state);
    expectCard(hand, 1, TestDeck::Turn::UpsideDown);
    expectCard(hand, 3, TestDeck::Turn::UpsideDown);
}

TEST_F(ShowCardsTest, OtherSpreadsTreatSlotTwoLikeAnyOther)
{
    for (const Spread &spread : spreads()) {
        if (spread.id == CelticCross)
            continue;
        chooseSpread(spread.menuItem);
        const Hand hand = showCards(0);
        for (int slot = 1; slot <= 22; ++slot)
            expectCard(hand, slot, upright(hand, slot));
    }
}

TEST_F(ShowCardsTest, HolyTriangleFillsAllTwentyTwoSlots)
{
    chooseSpread("N6");
    const Hand hand = showCards(12345);
    for (int slot = 1; slot <= 22; ++slot) {
        expectCard(hand, slot, upright(hand, slot));
        EXPECT_EQ(image(slot)->isHidden(), slot > 3);
    }
}

TEST_F(ShowCardsTest, MissingPictureInSlotFiveEndsTheReadingWithOneBox)
{
    const Hand first = showCards(7);
    const uint32_t state = 99;
    const Hand hand = handFrom(state, true);
    const std::string missing = "cardimages/" + TestDeck::cardFile(hand.cards[4]);
    std::filesystem::remove(missing);
    showCards(state);
    const ErrorBox box = takeErrorBox();
    EXPECT_EQ(box.text, pictureBoxText(QString::fromStdString(missing), describeFileError(ENOENT)));
    EXPECT_EQ(box.count, 1);
    for (int slot = 1; slot <= 4; ++slot)
        expectCard(hand, slot, upright(hand, slot));
    EXPECT_EQ(edit(5)->text(), displayText(hand.cards[4], hand.reversed[4]));
    EXPECT_EQ(TestDeck::turnOf(shown(5), TestDeck::cardColour(first.cards[4])), upright(first, 5))
        << "slot 5 keeps its former picture";
    for (int slot = 6; slot <= 22; ++slot)
        expectCard(first, slot, upright(first, slot));
}

TEST_F(ShowCardsTest, MissingPictureInSlotOneChangesOnlyTheFirstText)
{
    const Hand hand = handFrom(5, true);
    std::filesystem::remove("cardimages/" + TestDeck::cardFile(hand.cards[0]));
    showCards(5);
    EXPECT_EQ(takeErrorBox().count, 1);
    EXPECT_EQ(edit(1)->text(), displayText(hand.cards[0], hand.reversed[0]));
    expectPlaceholder(1);
    for (int slot = 2; slot <= 7; ++slot) {
        EXPECT_TRUE(edit(slot)->text().isEmpty());
        expectPlaceholder(slot);
    }
}

TEST_F(ShowCardsTest, TwoReadingsInARowReplaceEverySlot)
{
    const Hand first = showCards(0);
    // From a state whose hand differs in every position and turns the first
    // reading's reversed slot 2 upright.
    const uint32_t state = stateWhere(true, [&first](const Hand &h) {
        for (int k = 0; k < DeckSize; ++k) {
            if (h.cards[k] == first.cards[k])
                return false;
        }
        return h.reversed[1] == 0;
    });
    const Hand second = showCards(state);
    for (int slot = 1; slot <= 22; ++slot)
        expectCard(second, slot, upright(second, slot));
}

TEST_F(ShowCardsTest, ReversedCardInAHiddenSlotIsTurnedButLaterShowsThePlaceholder)
{
    chooseSpread("N6");
    const uint32_t state = stateWhere(true, [](const Hand &h) { return h.reversed[5] == 1; });
    const Hand hand = showCards(state);
    EXPECT_TRUE(image(6)->isHidden());
    expectCard(hand, 6, TestDeck::Turn::UpsideDown);
    chooseSpread("N9");
    EXPECT_FALSE(image(6)->isHidden());
    expectPlaceholder(6);
    EXPECT_TRUE(edit(6)->text().isEmpty());
}

TEST_F(ShowCardsTest, ReadingFollowsTheCheckBoxNotTheMenuMark)
{
    QTest::mouseClick(checkBox(), Qt::LeftButton, {}, QPoint(8, checkBox()->height() / 2));
    ASSERT_TRUE(action("N12")->isChecked());
    const Hand hand = showCards(0);
    for (int slot = 1; slot <= 22; ++slot)
        EXPECT_EQ(hand.reversed[slot - 1], 0);
    expectCard(hand, 2, TestDeck::Turn::Upright);
}

// The busy pointer shows once a command has run for the delay, and goes
// when it ends; what a command does in between is seen from its signals.
TEST_F(ShowCardsTest, BusyPointerShowsOnceACommandRunsLongUntilItEnds)
{
    using namespace std::chrono_literals;
    const auto pointerNow = [] {
        const QCursor *cursor = QGuiApplication::overrideCursor();
        return cursor ? cursor->shape() : Qt::ArrowCursor;
    };
    const struct
    {
        std::chrono::milliseconds delay;
        Qt::CursorShape whileWorking;
    } delays[] = {{0ms, Qt::WaitCursor}, {24h, Qt::ArrowCursor}};
    const std::chrono::milliseconds before = BusyPointer::delay();
    for (const auto &d : delays) {
        SCOPED_TRACE(d.delay.count());
        BusyPointer::setDelay(d.delay);
        // The last slot's text is set after 21 pictures were loaded, the
        // list's pick after the 22 card backs.
        Qt::CursorShape atTheLastSlot = Qt::BlankCursor;
        Qt::CursorShape atThePick = Qt::BlankCursor;
        const auto slot = QObject::connect(edit(22), &QLineEdit::textChanged, [&] { atTheLastSlot = pointerNow(); });
        const auto pick = QObject::connect(list(), &QComboBox::currentIndexChanged, [&] { atThePick = pointerNow(); });
        edit(22)->clear();
        showCards(3);
        chooseSpread(list()->currentIndex() == CelticCross ? "N9" : "N10");
        QObject::disconnect(slot);
        QObject::disconnect(pick);
        EXPECT_EQ(atTheLastSlot, d.whileWorking) << "a reading";
        EXPECT_EQ(atThePick, d.whileWorking) << "a spread";
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "the pointer is as before";

        // A reading that ends at a missing picture takes its pointer away
        // too, before its box shows.
        std::filesystem::rename("cardimages/carddata.csv", "cardimages/kept.csv");
        ScopedWorkDir::write("cardimages/carddata.csv", "name,file\r\nname,nothere.jpg\r\n");
        showCards(3);
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(takeErrorBox().count, 1);
        std::filesystem::rename("cardimages/kept.csv", "cardimages/carddata.csv");
    }
    BusyPointer::setDelay(before);
}

// Pictures that take long to decode: the window paints and answers while
// they load, the user's input waits for the command, and closing the window
// ends the command at once.
class SlowPicturesTest : public ShowCardsTest
{
protected:
    void TearDown() override
    {
        CardPictureLoad::setDelayForTesting(std::chrono::milliseconds(0));
        Worker::setPoolSizeForTesting(0);
    }

    void slowDown(std::chrono::milliseconds delay) { CardPictureLoad::setDelayForTesting(delay); }

    // Where a control lies in its window, for input that comes through the
    // window as the window system's does.
    QPoint inWindow(const QWidget *control) const
    {
        return control->mapTo(form.get(), QPoint(8, control->height() / 2));
    }

    // A reading from state, during which each step is given once as many
    // slots show their new card as it asks. Returns the hand.
    struct Step
    {
        int arrived;
        std::function<void()> give;
    };
    Hand readWhile(uint32_t state, std::vector<Step> steps)
    {
        const Hand hand = handFrom(state, checkBox()->isChecked());
        size_t given = 0;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            int arrived = 0;
            const auto shown = [&](size_t at) { return displayText(hand.cards[at], hand.reversed[at]); };
            while (arrived < 22 && edit(arrived + 1)->text() == shown(size_t(arrived)))
                ++arrived;
            for (; given < steps.size() && steps[given].arrived <= arrived; ++given)
                steps[given].give();
        });
        tick.start(5);
        showCards(state);
        EXPECT_EQ(given, steps.size()) << "every step given while the reading went on";
        return hand;
    }

    void click(const QWidget *control)
    {
        QTest::mouseClick(form->windowHandle(), Qt::LeftButton, {}, inWindow(control));
    }
    // The pointer goes on to another control.
    void pointerTo(const QWidget *control) { QTest::mouseMove(form->windowHandle(), inWindow(control)); }
};

TEST_F(SlowPicturesTest, AReadingShowsItsCardsAsTheyArriveAndTakesInputOnlyAfterIt)
{
    using namespace std::chrono_literals;
    slowDown(20ms);
    const uint32_t state = 4321;
    const Hand hand = handFrom(state, true);
    edit(1)->setFocus();
    const bool ticked = checkBox()->isChecked();
    std::set<int> progress; // how many slots showed their new card, tick by tick
    int paints = 0;
    bool inputGiven = false;
    struct PaintCount : QObject
    {
        int *count;
        explicit PaintCount(int *c) : count(c) {}
        bool eventFilter(QObject *, QEvent *event) override
        {
            *count += event->type() == QEvent::Paint;
            return false;
        }
    } paintCount(&paints);
    for (int slot = 1; slot <= 7; ++slot)
        image(slot)->installEventFilter(&paintCount);
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        int arrived = 0;
        while (arrived < 22 && edit(arrived + 1)->text() == displayText(hand.cards[size_t(arrived)], hand.reversed[size_t(arrived)]))
            ++arrived;
        progress.insert(arrived);
        if (arrived >= 3 && !inputGiven) {
            inputGiven = true;
            // The key first: the click takes the focus to the box.
            QTest::keyClick(form->windowHandle(), Qt::Key_Z);
            QTest::mouseClick(form->windowHandle(), Qt::LeftButton, {}, inWindow(checkBox()));
        }
    });
    tick.start(5);
    showCards(state);
    tick.stop();
    ASSERT_TRUE(inputGiven) << "the timer ran while the reading waited";
    EXPECT_GE(progress.size(), 8u) << "the cards arrived one by one";
    EXPECT_GE(paints, 7) << "the window painted them as they came";
    EXPECT_EQ(checkBox()->isChecked(), ticked) << "the click waits until the reading is over";
    EXPECT_EQ(edit(1)->text(), displayText(hand.cards[0], hand.reversed[0])) << "and so does the key";
    for (int slot = 1; slot <= 22; ++slot)
        expectCard(hand, slot, upright(hand, slot));
    QTest::qWait(50);
    EXPECT_NE(checkBox()->isChecked(), ticked) << "the click is taken after the reading";
    EXPECT_EQ(edit(1)->text(), displayText(hand.cards[0], hand.reversed[0]) + QLatin1Char('z'));
}

// A click given during a reading acts once, after it, on the control it was
// given to, whether the pointer went on to another control at once or while
// the reading still went on.
TEST_F(SlowPicturesTest, AClickDuringAReadingActsOnceAfterItWhereverThePointerWent)
{
    using namespace std::chrono_literals;
    slowDown(20ms);
    const struct
    {
        const char *control;
        bool awayAtOnce;
    } clicks[] = {{"CheckBox1", true},       {"CheckBox1", false}, {"btn1uranaikaisi", true},
                  {"btn1uranaikaisi", false}, {"Button2", true},    {"Button2", false}};
    for (const auto &given : clicks) {
        SCOPED_TRACE(std::string(given.control) + (given.awayAtOnce ? ", away at once" : ", away later"));
        if (!form->isVisible())
            openWindow();
        auto *target = control<QAbstractButton>(given.control);
        const bool ticked = checkBox()->isChecked();
        std::optional<QSignalSpy> clicked;
        readWhile(7, {{2, [&] {
                           clicked.emplace(target, &QAbstractButton::clicked);
                           click(target);
                           if (given.awayAtOnce)
                               pointerTo(edit(7));
                       }},
                      {5, [&] { pointerTo(image(4)); }}});
        ASSERT_TRUE(clicked);
        EXPECT_EQ(clicked->count(), 0) << "the click waits for the reading";
        EXPECT_TRUE(form->isVisible());
        EXPECT_TRUE(QTest::qWaitFor([&] { return clicked->count() > 0; }, 5000));
        QTest::qWait(50);
        EXPECT_EQ(clicked->count(), 1);
        EXPECT_EQ(checkBox()->isChecked(), ticked != (target == checkBox()));
        EXPECT_EQ(form->isVisible(), std::string(given.control) != "Button2");
    }
}

// Text typed, given by an input method or dropped during a reading, and a
// double click, act after it, in order: the click on the first text box
// takes the typing there, the double click picks a word in the second, and
// the drop on the sixth lands in the card that the reading gave it.
TEST_F(SlowPicturesTest, TypingDoubleClicksAndDropsDuringAReadingActAfterIt)
{
    using namespace std::chrono_literals;
    slowDown(20ms);
    QWindow *window = form->windowHandle();
    QMimeData dropped;
    dropped.setText(QStringLiteral("drop"));
    const QPoint dropAt = inWindow(edit(6));
    const Hand hand = readWhile(8, {{2, [&] {
                                          click(edit(1));
                                          QTest::keyClick(window, Qt::Key_Z);
                                          QInputMethodEvent composed;
                                          composed.setCommitString(QStringLiteral("あ"));
                                          QCoreApplication::sendEvent(QApplication::focusWidget(), &composed);
                                      }},
                                     {3, [&] {
                                          QTest::mouseDClick(window, Qt::LeftButton, {}, inWindow(edit(2)));
                                          pointerTo(image(4));
                                          // As Qt gives a drop from another program to the window.
                                          const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
                                          QDragEnterEvent enter(dropAt, offered, &dropped, {}, {});
                                          QCoreApplication::sendEvent(window, &enter);
                                          QDragMoveEvent move(dropAt, offered, &dropped, {}, {});
                                          QCoreApplication::sendEvent(window, &move);
                                          QDropEvent drop(dropAt, offered, &dropped, {}, {});
                                          QCoreApplication::sendEvent(window, &drop);
                                          EXPECT_TRUE(drop.isAccepted());
                                          EXPECT_EQ(drop.dropAction(), Qt::CopyAction) << "its source keeps it";
                                      }}});
    const QString first = displayText(hand.cards[0], hand.reversed[0]);
    const QString sixth = displayText(hand.cards[5], hand.reversed[5]);
    EXPECT_EQ(edit(1)->text(), first);
    EXPECT_EQ(edit(6)->text(), sixth);
    QTest::qWait(50);
    EXPECT_EQ(edit(1)->text(), QStringLiteral("zあ") + first) << "typed where the click put the caret";
    EXPECT_TRUE(edit(2)->hasSelectedText());
    EXPECT_TRUE(edit(2)->text().startsWith(edit(2)->selectedText()));
    EXPECT_NE(edit(6)->text(), sixth);
    EXPECT_EQ(edit(6)->text().remove(QStringLiteral("drop")), sixth);
}

// What assistive technology does during a reading waits for it, in its place
// among the user's input: the reading that a click asked for before the box
// was toggled deals as the box was; then the box toggles, its press of
// カード表示 gives a reading at once, before what came after it, the list
// opens and a text box takes the text given. What it reads is answered at
// once.
TEST_F(SlowPicturesTest, AssistiveTechnologyActsAfterAReadingInOrderWithTheUsersInput)
{
    using namespace std::chrono_literals;
    slowDown(20ms);
    const auto actOn = [](QWidget *control, const QString &action) {
        QAccessible::queryAccessibleInterface(control)->actionInterface()->doAction(action);
    };
    auto *show = control<QWidget>("btn1uranaikaisi");
    ASSERT_TRUE(checkBox()->isChecked());
    readWhile(11, {{2, [&] {
                        click(show);
                        actOn(checkBox(), QAccessibleActionInterface::toggleAction());
                        actOn(show, QAccessibleActionInterface::pressAction());
                        actOn(list(), QAccessibleActionInterface::pressAction());
                        QAccessibleInterface *fifth = QAccessible::queryAccessibleInterface(edit(5));
                        fifth->editableTextInterface()->replaceText(0, 0, QStringLiteral("AT"));
                        EXPECT_EQ(fifth->text(QAccessible::Value), edit(5)->text());
                    }}});
    EXPECT_TRUE(checkBox()->isChecked());
    EXPECT_FALSE(list()->view()->isVisible());
    // The second reading with reversal, the third without.
    const uint32_t next = GeneratorState;
    handFrom(next, true);
    const Hand third = handFrom(GeneratorState, false);
    GeneratorState = next;
    EXPECT_TRUE(QTest::qWaitFor([this] { return list()->view()->isVisible(); }, 5000));
    for (int slot = 1; slot <= 7; ++slot)
        EXPECT_EQ(edit(slot)->text(), (slot == 5 ? QStringLiteral("AT") : QString())
                                          + displayText(third.cards[size_t(slot - 1)], false));
    EXPECT_FALSE(checkBox()->isChecked());
    list()->hidePopup();
}

// Each command, and the start-up, given up as soon as the window closes: a
// picture that would take ten seconds is never waited for, and nothing is
// reported.
TEST_F(SlowPicturesTest, ClosingTheWindowEndsAnyCommandAtOnce)
{
    using namespace std::chrono_literals;
    Worker::setPoolSizeForTesting(4); // several pictures under way when it closes
    const auto closeSoon = [this] {
        QTimer::singleShot(300, qApp, [this] {
            if (form)
                form->close();
        });
    };
    const auto firstPicture = [this] {
        const Bitmap *picture = image(1)->picture();
        return picture ? picture->toQImage() : QImage();
    };
    const struct
    {
        const char *command;
        std::function<void()> give;
        bool freshWindow; // its slots start empty
    } commands[] = {
        {"reading", [this] { showCards(77); }, false},
        {"spread", [this] { chooseSpread("N10"); }, false},
        {"start-up", [this] {
             form.reset();
             openWindow();
         }, true},
    };
    for (const auto &command : commands) {
        SCOPED_TRACE(command.command);
        slowDown(0ms);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        const QString second = edit(2)->text();
        const QImage before = command.freshWindow ? QImage() : firstPicture();
        ErrorBoxCatcher catcher;
        slowDown(10s);
        closeSoon();
        command.give();
        EXPECT_FALSE(form->isVisible());
        EXPECT_EQ(edit(2)->text(), second) << "no second slot was reached";
        EXPECT_EQ(firstPicture(), before) << "the first picture never came";
        EXPECT_FALSE(catcher.wait(100).shown);
    }
    slowDown(0ms);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    const Hand hand = showCards(5); // the worker is free again
    expectCard(hand, 1, upright(hand, 1));
}

// A card back that takes long does not keep the window from showing: its
// first frame shows the slots empty, and every slot holds the back before
// any command runs.
TEST_F(SlowPicturesTest, AtStartASlowBackLetsTheFirstFrameShowFirst)
{
    using namespace std::chrono_literals;
    form.reset();
    slowDown(600ms);
    form = std::make_unique<TForm1>();
    slowDown(0ms); // the first back alone is slow
    bool painted = false;
    bool emptyAtFirstFrame = false;
    struct FirstPaint : QObject
    {
        std::function<void()> seen;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint && seen)
                std::exchange(seen, nullptr)();
            return false;
        }
    } firstPaint;
    firstPaint.seen = [&] {
        painted = true;
        emptyAtFirstFrame = image(1)->picture() == nullptr;
    };
    form->installEventFilter(&firstPaint);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    form->repaint();
    ASSERT_TRUE(painted);
    EXPECT_TRUE(emptyAtFirstFrame);
    chooseSpread("N6"); // a command right away
    for (int slot = 1; slot <= 22; ++slot)
        expectPlaceholder(slot);
    EXPECT_FALSE(takeErrorBox(100).shown);
}
