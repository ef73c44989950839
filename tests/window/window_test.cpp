#include "windowfixture.h"

#include "errorreporter.h"
#include "screenfit.h"
#include "sharedfile.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QProxyStyle>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyleFactory>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace {

struct At
{
    int top;
    int left;
};

// Where each spread puts its image boxes, slot 1 first.
const std::vector<std::vector<At>> imagePlaces = {
    {{500, 280}, {250, 80}, {250, 480}},
    {{125, 280}, {575, 280}, {350, 55}, {350, 505}, {350, 280}},
    {{600, 280}, {370, 130}, {370, 430}, {140, 30}, {140, 530}},
    {{125, 280}, {450, 480}, {450, 80}, {575, 280}, {200, 80}, {200, 480}, {350, 280}},
    {{360, 200}, {385, 172}, {160, 200}, {560, 200}, {360, 30}, {360, 370}, {620, 550}, {430, 550},
     {240, 550}, {50, 550}},
};

const std::vector<std::vector<const char *>> labelTexts = {
    {"過去の経過", "現在の状況", "未来の予想"},
    {"相手の現在の気持ち", "自分の現在の状況", "対応策", "２人の状況、ライバルの有無", "最終予想"},
    {"現在の状況", "Aの状況、気持ち", "Bの状況、気持ち", "Aの最終予想", "Bの最終予想"},
    {"過去", "現在", "未来", "対応策", "周囲の状況", "本人の願望", "最終結果"},
    {"現在の状況", "障害または救助(横向き）", "本人の意志・理想", "本人の信条・本音", "近い過去の状況",
     "近い未来の状況", "現在の本人の状況・立場", "周囲の状況・影響", "本人の能力の限界", "最終予想"},
};

// The labels and text boxes that each spread moves from where the general
// rule puts them: only the Celtic Cross's.
const std::vector<std::vector<std::tuple<const char *, int, At>>> movedPlaces = {
    {}, {}, {}, {},
    {{"Label", 1, {210, 350}}, {"Edit", 1, {230, 350}}, {"Label", 2, {260, 350}}, {"Edit", 2, {280, 350}},
     {"Label", 7, {620, 500}}, {"Label", 8, {430, 500}}, {"Label", 9, {240, 500}}, {"Label", 10, {50, 500}}},
};

// The menu item of a spread, as the table names it.
const char *menuItemOf(SpreadName index)
{
    return spreads()[size_t(index)].menuItem;
}

} // namespace

class SpreadTest : public WindowTest
{
protected:
    At at(const QWidget *widget) const { return {widget->y(), widget->x()}; }

    void expectAt(const QWidget *widget, At expected) const
    {
        EXPECT_EQ(widget->y(), expected.top) << widget->objectName().toStdString();
        EXPECT_EQ(widget->x(), expected.left) << widget->objectName().toStdString();
    }

    // Alt alone takes the keyboard to the menu bar and lights its first
    // title, and only that.
    void expectAltLightsTheFirstTitle()
    {
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        QMenuBar *bar = form->menuBar();
        const QImage before = bar->grab().toImage();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Alt);
        const QAction *lit = bar->activeAction();
        EXPECT_EQ(lit ? lit->text() : QStringLiteral("(none)"), QStringLiteral("ファイル"));
        const QImage after = bar->grab().toImage();
        const QRect first = bar->actionGeometry(bar->actions().at(0));
        const QRect second = bar->actionGeometry(bar->actions().at(1));
        EXPECT_NE(after.copy(first), before.copy(first)) << "the first title is lit";
        EXPECT_EQ(after.copy(second), before.copy(second));
        QTest::keyClick(bar, Qt::Key_Escape);
    }

    bool isMoved(SpreadName index, const char *prefix, int slot) const
    {
        for (const auto &[p, s, where] : movedPlaces[index]) {
            if (std::string(p) == prefix && s == slot)
                return true;
        }
        return false;
    }

    // Everything a spread decides: places, label texts, visibility, marks,
    // the list's item, empty text boxes and placeholder pictures, in the
    // slots before firstWithoutBack; those from it on have no picture, and
    // the Celtic Cross's crossing slot has none unless its back loaded.
    void expectSpread(SpreadName index, int firstWithoutBack = 23)
    {
        SCOPED_TRACE("spread " + std::to_string(index));
        const auto &places = imagePlaces[index];
        const int count = static_cast<int>(places.size());
        EXPECT_EQ(list()->currentIndex(), index);
        for (int i = 0; i < SpreadCount; ++i)
            EXPECT_EQ(action(menuItemOf(SpreadName(i)))->isChecked(), i == index) << menuItemOf(SpreadName(i));
        for (int slot = 1; slot <= 22; ++slot) {
            const bool shownSlot = slot <= count;
            EXPECT_EQ(image(slot)->isHidden(), !shownSlot) << slot;
            EXPECT_EQ(label(slot)->isHidden(), !shownSlot) << slot;
            EXPECT_EQ(edit(slot)->isHidden(), !shownSlot) << slot;
            EXPECT_TRUE(image(slot)->autoSize() || !shownSlot);
            if (!shownSlot)
                continue;
            const At place = places[slot - 1];
            expectAt(image(slot), place);
            EXPECT_EQ(label(slot)->text(), QString::fromUtf8(labelTexts[index][slot - 1]));
            EXPECT_TRUE(edit(slot)->text().isEmpty());
            if (!isMoved(index, "Label", slot))
                expectAt(label(slot), {place.top - 20, place.left});
            if (!isMoved(index, "Edit", slot))
                expectAt(edit(slot), {place.top + 160, place.left});
            const bool crossing = index == CelticCross && slot == CrossingSlot;
            if (slot >= firstWithoutBack || (crossing && firstWithoutBack <= CrossingSlot)) {
                EXPECT_EQ(image(slot)->picture(), nullptr) << slot;
                continue;
            }
            const TestDeck::Turn expectedTurn = crossing ? TestDeck::Turn::CounterClockwise : TestDeck::Turn::Upright;
            EXPECT_EQ(TestDeck::turnOf(shown(slot), TestDeck::PlaceholderColour), expectedTurn) << slot;
        }
        for (const auto &[prefix, slot, where] : movedPlaces[index])
            expectAt(control<QWidget>(prefix, slot), where);
    }
};

// Each row of the spread table stands at its name's place, which is its
// place in the list and the menu.
TEST(SpreadTable, EachSpreadStandsAtItsNamesPlace)
{
    for (int index = 0; index < SpreadCount; ++index)
        EXPECT_EQ(spreads()[size_t(index)].id, index);
}

TEST_F(SpreadTest, StartState)
{
    EXPECT_EQ(form->windowTitle(), QStringLiteral("くえるみ"));
    EXPECT_EQ(list()->count(), SpreadCount);
    EXPECT_EQ(list()->currentText(), QStringLiteral("ヘキサグラムスプレッド"));
    EXPECT_TRUE(checkBox()->isChecked());
    EXPECT_TRUE(action("N12")->isChecked());
    expectSpread(Hexagram);
    for (int slot = 1; slot <= 7; ++slot) {
        EXPECT_EQ(image(slot)->size(), QSize(TestDeck::CardWidth, TestDeck::CardHeight));
        EXPECT_TRUE(image(slot)->isVisible());
    }
    EXPECT_EQ(form->frameGeometry().size(), QSize(700, 880));
    EXPECT_EQ(form->font().family(), QStringLiteral("Tahoma"));
    EXPECT_EQ(form->font().pixelSize(), 11);
    for (int i = 0; i < SpreadCount; ++i)
        EXPECT_EQ(list()->itemText(i), action(menuItemOf(SpreadName(i)))->text());
}

TEST_F(SpreadTest, EverySpreadFromTheListAndFromTheMenu)
{
    QSignalSpy picks(list(), &QComboBox::activated);
    for (SpreadName index : {HolyTriangle, GypsyCross, TwoChoices, CelticCross, Hexagram, HolyTriangle}) {
        pickInList(index);
        expectSpread(index);
    }
    EXPECT_GT(picks.count(), 0) << "the keyboard picks are the user's";
    picks.clear();
    for (SpreadName index : {CelticCross, GypsyCross, TwoChoices, HolyTriangle, Hexagram, CelticCross}) {
        action(menuItemOf(index))->trigger();
        expectSpread(index);
    }
    EXPECT_EQ(picks.count(), 0) << "a selection made from code raises no pick";
}

// Rules that hold for every spread of the table, one added later too: as
// many slots show as the spread has positions; every control that shows
// lies inside the client area at the window's full size, and no slot's
// card, label or text box over a button, the list or the check box; no two
// cards overlap but the Celtic Cross's crossing card over its first; each
// label stands 20 pixels above its card and each text box 160 below it,
// unless the spread's row moves it, and then it stands where the move says;
// a label or text box may run onto its own card (the Celtic Cross's labels
// 7 to 9 do, drawn over it) but onto no other; every label's text stands
// whole on the window's colour, whatever lies beneath; and the list, the
// menu and the table name the spreads alike, in the same order, choosing
// one marking it alone.
TEST_F(SpreadTest, EverySpreadKeepsTheLayoutRules)
{
    // The client area at the window's full size, less what a window may
    // lack without scrolling.
    const QRect client(QPoint(0, 0), clientArea()->minimumSize() - QSize(ScrollSlack, ScrollSlack));
    ASSERT_GE(client.width(), 680);
    const QWidget *fixedControls[] = {control<QWidget>("btn1uranaikaisi"), control<QWidget>("Button2"),
                                      control<QWidget>("CheckBox1"), control<QWidget>("ComboBox1")};
    const QList<QAction *> spreadMenu = control<QMenu>("N5")->actions();
    ASSERT_EQ(spreadMenu.size(), SpreadCount) << "each spread has its item in the menu";
    ASSERT_EQ(list()->count(), SpreadCount);
    for (const Spread &spread : spreads()) {
        const QString name = CodePage::toQString(spread.name.str());
        SCOPED_TRACE(name.toStdString());
        QAction *item = action(spread.menuItem);
        EXPECT_EQ(spreadMenu[spread.id], item) << "the menu in the table's order";
        EXPECT_EQ(item->text(), name);
        EXPECT_EQ(list()->itemText(spread.id), name);
        item->trigger();
        EXPECT_EQ(list()->currentIndex(), spread.id);
        for (const Spread &other : spreads())
            EXPECT_EQ(action(other.menuItem)->isChecked(), other.id == spread.id) << other.menuItem;

        const int count = static_cast<int>(spread.positions.size());
        for (const QWidget *fixed : fixedControls)
            EXPECT_TRUE(client.contains(fixed->geometry())) << fixed->objectName().toStdString();
        for (int slot = 1; slot <= SlotCount; ++slot) {
            for (QWidget *part : std::initializer_list<QWidget *>{image(slot), label(slot), edit(slot)}) {
                const std::string what = part->objectName().toStdString();
                EXPECT_EQ(part->isVisible(), slot <= count) << what;
                if (slot > count)
                    continue;
                EXPECT_TRUE(client.contains(part->geometry())) << what;
                for (const QWidget *fixed : fixedControls)
                    EXPECT_FALSE(part->geometry().intersects(fixed->geometry()))
                        << what << " over " << fixed->objectName().toStdString();
                for (int other = 1; other <= count; ++other) {
                    const bool crossing = spread.id == CelticCross && part == image(slot)
                                          && std::min(slot, other) == 1 && std::max(slot, other) == CrossingSlot;
                    if (other != slot) {
                        EXPECT_EQ(part->geometry().intersects(image(other)->geometry()), crossing)
                            << what << " over card " << other;
                    }
                }
            }
        }
        const auto moved = [&spread](SlotPart part, int slot) {
            return std::any_of(spread.moves.begin(), spread.moves.end(),
                               [&](const ControlPlace &move) { return move.part == part && move.slot == slot; });
        };
        for (int slot = 1; slot <= count; ++slot) {
            EXPECT_EQ(label(slot)->text(), CodePage::toQString(spread.positions[size_t(slot - 1)].label.str()));
            if (!moved(SlotPart::Label, slot))
                expectAt(label(slot), {image(slot)->y() - 20, image(slot)->x()});
            if (!moved(SlotPart::Edit, slot))
                expectAt(edit(slot), {image(slot)->y() + 160, image(slot)->x()});
            // The label as the window draws it, and alone on the window's
            // colour, at the screen's scale either way.
            const QImage drawn = clientArea()->grab(label(slot)->geometry()).toImage();
            QImage alone(drawn.size(), drawn.format());
            alone.setDevicePixelRatio(drawn.devicePixelRatio());
            alone.fill(form->palette().color(QPalette::Window));
            label(slot)->render(&alone, QPoint(), QRegion(), QWidget::DrawChildren);
            EXPECT_TRUE(drawn == alone) << "label " << slot << " drawn whole";
        }
        for (const ControlPlace &move : spread.moves) {
            const QWidget *from = image(move.fromOwnImage ? move.slot : spread.anchorSlot);
            expectAt(control<QWidget>(prefixOf(move.part), move.slot), {from->y() + move.top, from->x() + move.left});
        }
    }
}

TEST_F(SpreadTest, CrossingCardLiesSidewaysOnceHoweverOftenChosen)
{
    for (int times = 0; times < 3; ++times) {
        action("N10")->trigger();
        expectSpread(CelticCross);
        EXPECT_EQ(image(2)->size(), QSize(TestDeck::CardHeight, TestDeck::CardWidth));
    }
    // Drawn over slot 1: declared later, so it stacks above.
    const QList<QObject *> order = clientArea()->children();
    EXPECT_GT(order.indexOf(image(2)), order.indexOf(image(1)));
}

TEST_F(SpreadTest, HolyTriangleAfterTheCelticCross)
{
    action("N10")->trigger();
    action("N6")->trigger();
    expectSpread(HolyTriangle);
    EXPECT_EQ(image(2)->size(), QSize(TestDeck::CardWidth, TestDeck::CardHeight));
    expectAt(label(2), {230, 80});
    expectAt(edit(2), {410, 80});
    for (int slot = 4; slot <= 10; ++slot)
        EXPECT_EQ(label(slot)->text(), QString::fromUtf8(labelTexts[CelticCross][slot - 1])) << "kept, hidden";
}

TEST_F(SpreadTest, ChoosingASpreadAgainLaysItOutAfresh)
{
    edit(1)->setText(QStringLiteral("typed"));
    edit(9)->setText(QStringLiteral("hidden text"));
    action("N9")->trigger();
    expectSpread(Hexagram);
    EXPECT_EQ(edit(9)->text(), QStringLiteral("hidden text")) << "a hidden slot keeps its text";
}

TEST_F(SpreadTest, ReversalSettingFromTheMenu)
{
    action("N12")->trigger();
    EXPECT_FALSE(action("N12")->isChecked());
    EXPECT_FALSE(checkBox()->isChecked());
    action("N12")->trigger();
    EXPECT_TRUE(action("N12")->isChecked());
    EXPECT_TRUE(checkBox()->isChecked());
}

TEST_F(SpreadTest, MenuFollowsTheCheckBoxWhenThePointerLeaves)
{
    QTest::mouseClick(checkBox(), Qt::LeftButton, {}, QPoint(8, checkBox()->height() / 2));
    EXPECT_FALSE(checkBox()->isChecked());
    EXPECT_TRUE(action("N12")->isChecked()) << "a click changes only the box";
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(checkBox(), &leave);
    EXPECT_FALSE(action("N12")->isChecked());
    action("N9")->trigger();
    EXPECT_FALSE(checkBox()->isChecked()) << "a spread never touches the setting";
}

// Toggled without the pointer, the box has no pointer to leave it: the mark
// follows at once, and the menu command then inverts the mark the box shows.
TEST_F(SpreadTest, MenuFollowsTheCheckBoxAtOnceWhenToggledWithoutThePointer)
{
    const auto toggleAction = [this] {
        QAccessible::queryAccessibleInterface(checkBox())->actionInterface()->doAction(
            QAccessibleActionInterface::toggleAction());
    };
    const std::vector<std::pair<const char *, std::function<void()>>> ways = {
        {"Space", [this] { QTest::keyClick(checkBox(), Qt::Key_Space); }},
        {"assistive technology", toggleAction},
    };
    for (const auto &[way, toggle] : ways) {
        SCOPED_TRACE(way);
        checkBox()->setFocus();
        toggle();
        EXPECT_FALSE(checkBox()->isChecked());
        EXPECT_FALSE(action("N12")->isChecked());
        action("N12")->trigger();
        EXPECT_TRUE(checkBox()->isChecked());
        EXPECT_TRUE(action("N12")->isChecked());
    }
}

TEST_F(SpreadTest, EnterAndReturnPressTheFocusedButton)
{
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        action("N9")->trigger();
        auto *button = control<QPushButton>("btn1uranaikaisi");
        button->setFocus();
        QTest::keyClick(button, key);
        EXPECT_TRUE(edit(1)->text().startsWith(QStringLiteral("カード"))) << "a reading after key " << key;
    }
    auto *exit = control<QPushButton>("Button2");
    exit->setFocus();
    QTest::keyClick(exit, Qt::Key_Return);
    EXPECT_FALSE(form->isVisible());
}

// The window under a desktop style that makes none of it easy: a pop-up
// list no wider than its list, as in Qt's Windows style, with roomy items,
// and no way to the menu bar with Alt, as some styles of GTK desktops have it.
class PlainStyleTest : public SpreadTest
{
protected:
    class PlainStyle : public QProxyStyle
    {
    public:
        PlainStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Windows"))) {}
        int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                      QStyleHintReturn *returnData) const override
        {
            return hint == SH_MenuBar_AltKeyNavigation ? 0
                                                        : QProxyStyle::styleHint(hint, option, widget, returnData);
        }
        int pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const override
        {
            return metric == PM_FocusFrameHMargin ? 30 : QProxyStyle::pixelMetric(metric, option, widget);
        }
    };

    void SetUp() override
    {
        m_before = QApplication::style();
        m_before->setParent(nullptr); // kept for the next test
        QApplication::setStyle(new PlainStyle);
        SpreadTest::SetUp();
    }

    void TearDown() override
    {
        form.reset();
        QApplication::setStyle(m_before);
    }

private:
    QStyle *m_before = nullptr;
};

TEST_F(PlainStyleTest, AltReachesTheMenuBar)
{
    for (const QAction *item : form->findChildren<QAction *>()) {
        EXPECT_TRUE(item->shortcut().isEmpty()) << item->text().toStdString() << " has a key of its own";
        EXPECT_FALSE(item->text().contains(QLatin1Char('&'))) << item->text().toStdString() << " has a mnemonic";
    }
    expectAltLightsTheFirstTitle();
}

TEST_F(SpreadTest, AltLightsTheMenuBar)
{
    expectAltLightsTheFirstTitle();
}

TEST_F(PlainStyleTest, ListPopupShowsEveryNameWholeWhileTheListKeepsItsWidth)
{
    list()->showPopup();
    QAbstractItemView *popup = list()->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(popup->window()));
    EXPECT_GE(popup->viewport()->width(), popup->sizeHintForColumn(0));
    list()->hidePopup();
    EXPECT_EQ(list()->width(), 145);
}

// The closed list, at its declared width, shows the name of every spread
// whole: what it draws of each is as wide as the name drawn alone in its
// font.
TEST_F(SpreadTest, ClosedListShowsEveryNameWhole)
{
    ASSERT_EQ(list()->width(), 145);
    ASSERT_EQ(list()->devicePixelRatio(), 1);
    // The columns where two pictures differ, or where one is not white.
    const auto inkColumns = [](const QImage &drawn, const QImage &blank) {
        std::pair<int, int> columns{drawn.width(), -1};
        for (int y = 0; y < drawn.height(); ++y) {
            for (int x = 0; x < drawn.width(); ++x) {
                const QRgb background = blank.isNull() ? qRgb(255, 255, 255) : blank.pixel(x, y);
                if (drawn.pixel(x, y) != background)
                    columns = {std::min(columns.first, x), std::max(columns.second, x)};
            }
        }
        return columns.second - columns.first + 1;
    };
    for (int index = 0; index < list()->count(); ++index) {
        const QString name = list()->itemText(index);
        SCOPED_TRACE(name.toStdString());
        list()->setCurrentIndex(index);
        const QImage shown = list()->grab().toImage();
        list()->setItemText(index, QString());
        const QImage blank = list()->grab().toImage();
        list()->setItemText(index, name);

        QImage alone(QFontMetrics(list()->font()).horizontalAdvance(name) + 20, list()->height(), QImage::Format_RGB32);
        alone.fill(Qt::white);
        QPainter painter(&alone);
        painter.setFont(list()->font());
        painter.setPen(Qt::black);
        painter.drawText(alone.rect().adjusted(10, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, name);
        painter.end();
        EXPECT_NEAR(inkColumns(shown, blank), inkColumns(alone, QImage()), 1);
    }
    EXPECT_GE(list()->font().pixelSize(), 10) << "no smaller than it must be";
}

// Whether the client area scrolls follows the window's size, whatever it
// is; every control keeps its place and can be scrolled to.
TEST_F(SpreadTest, ScrollBarsFollowTheWindowsSize)
{
    auto *scroller = qobject_cast<QScrollArea *>(form->centralWidget());
    ASSERT_NE(scroller, nullptr);
    QWidget *exit = control<QWidget>("Button2");
    const At exitAt = at(exit);
    const QSize whole = form->size(); // as it opened
    const struct
    {
        QSize size;
        bool across;
        bool down;
    } sizes[] = {
        {whole, false, false},
        {whole - QSize(1, 1), false, false}, // as a desktop or a scaled screen rounds
        {whole - QSize(ScrollSlack, ScrollSlack), false, false},
        {{whole.width() - ScrollSlack - 1, 900}, true, false},
        {{700, 880}, false, false},
        {{714, 768}, false, true},  // on a laptop's screen, wider by the bar
        {{600, 900}, true, false},
        {{400, 300}, true, true},
        {{700, 880}, false, false},
    };
    for (const auto &size : sizes) {
        SCOPED_TRACE(std::to_string(size.size.width()) + "x" + std::to_string(size.size.height()));
        form->resize(size.size);
        QApplication::processEvents();
        EXPECT_EQ(scroller->horizontalScrollBar()->isVisible(), size.across);
        EXPECT_EQ(scroller->verticalScrollBar()->isVisible(), size.down);
        scroller->ensureWidgetVisible(exit);
        const QRect shown(exit->mapTo(scroller->viewport(), QPoint(0, 0)), exit->size());
        EXPECT_TRUE(scroller->viewport()->rect().contains(shown)) << "終了 can be reached";
        expectAt(exit, exitAt);
    }
}

TEST_F(SpreadTest, LookupIgnoresAsciiCaseAndRefusesUnknownNames)
{
    EXPECT_EQ(form->control<QLabel>(QStringLiteral("lAbEl7")), label(7));
    EXPECT_EQ(form->control<QAction>(QStringLiteral("n10")), action("N10"));
    EXPECT_THROW(form->control<QLabel>(QStringLiteral("Label23")), LookupError);
    EXPECT_THROW(form->control<QLabel>(QStringLiteral("Image1")), LookupError) << "wrong kind";
    // Each name is found the same way every time; one whose control is gone
    // finds the control that now bears it.
    EXPECT_EQ(form->control<QLabel>(QStringLiteral("LABEL7")), label(7));
    QWidget *parent = label(7)->parentWidget();
    delete label(7);
    EXPECT_THROW(form->control<QLabel>(QStringLiteral("label7")), LookupError);
    auto *again = new QLabel(parent);
    again->setObjectName(QStringLiteral("Label7"));
    EXPECT_EQ(form->control<QLabel>(QStringLiteral("Label7")), again);
}

TEST_F(SpreadTest, ExitFromTheButtonAndTheMenu)
{
    control<QPushButton>("Button2")->click();
    EXPECT_FALSE(form->isVisible());
    openWindow();
    action("N3")->trigger();
    EXPECT_FALSE(form->isVisible());
}

// A card back that cannot be loaded or made: the window opens, and every
// spread is laid out whole, with the backs up to the slot where they fail;
// each command shows one box that names the back and says why, or gives
// the size of a back too large.
struct NoBack
{
    const char *what;
    void (*make)();
    int reason;                // what SharedFile::open says, or 0 for a file that is no picture
    const char *size = nullptr; // the size in the box of a back too large
    int firstWithout = 1;      // the first slot the back does not reach
};

void PrintTo(const NoBack &noBack, std::ostream *out)
{
    *out << noBack.what;
}

// The test deck's back takes 105 x 153 pixels of 32 bits of the budget, and
// a load needs room for two.
constexpr size_t BackCharge = size_t{TestDeck::CardWidth} * TestDeck::CardHeight * 4;

// A back whose frame claims that many pixels each way.
void claimSize(int side)
{
    QFile file(QStringLiteral("cardimages/cut_tarot_00_150.jpg"));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    const qsizetype frame = bytes.indexOf(QByteArray("\xFF\xC0", 2));
    ASSERT_GT(frame, 0);
    for (int at : {5, 7}) {
        bytes[frame + at] = char(side >> 8);
        bytes[frame + at + 1] = char(side & 0xFF);
    }
    file.seek(0);
    file.write(bytes);
}

class MissingPlaceholderTest : public SpreadTest, public ::testing::WithParamInterface<NoBack>
{
protected:
    void SetUp() override
    {
        TestDeck::write();
        GetParam().make();
        ErrorBoxCatcher catcher;
        openWindow();
        expectBackReported(catcher.wait(3000));
    }
    void TearDown() override { PixelBudget::setCeilingForTesting(0); }

    void expectBackReported(const ErrorBox &box) const
    {
        const int reason = GetParam().reason;
        if (GetParam().size)
            EXPECT_EQ(box.text, QStringLiteral("画像が大きすぎるため作成できません (") + QLatin1String(GetParam().size)
                                    + QStringLiteral(")\nカードの画像は原寸で表示されます。105 × 153 ピクセル程度に縮小してください."));
        else
            EXPECT_EQ(box.text, pictureBoxText(QStringLiteral("cardimages/cut_tarot_00_150.jpg"),
                                               reason ? describeFileError(reason) : std::string()));
        EXPECT_EQ(box.count, 1);
        EXPECT_TRUE(form->frameGeometry().contains(box.geometry.center())) << "the box stands over the window";
    }
};

INSTANTIATE_TEST_SUITE_P(
    Backs, MissingPlaceholderTest,
    ::testing::Values(NoBack{"missing", [] { std::filesystem::remove("cardimages/cut_tarot_00_150.jpg"); }, ENOENT},
                      NoBack{"empty folder",
                             [] {
                                 std::filesystem::remove_all("cardimages");
                                 std::filesystem::create_directory("cardimages");
                             },
                             ENOENT},
                      NoBack{"no folder", [] { std::filesystem::remove_all("cardimages"); }, ENOENT},
                      NoBack{"a folder", [] {
                                 std::filesystem::remove("cardimages/cut_tarot_00_150.jpg");
                                 std::filesystem::create_directory("cardimages/cut_tarot_00_150.jpg");
                             },
                             EISDIR},
                      NoBack{"no picture",
                             [] { ScopedWorkDir::write("cardimages/cut_tarot_00_150.jpg", "not a picture"); }, 0},
                      NoBack{"too large", [] { claimSize(60000); }, 0, "60000 x 60000"},
                      // Seven backs fit, and room for the eighth to be turned does not.
                      NoBack{"budget reached at slot 8",
                             [] { PixelBudget::setCeilingForTesting(9 * BackCharge - 1); }, 0, "105 x 153", 8}),
    [](const ::testing::TestParamInfo<NoBack> &param) {
        std::string name = param.param.what;
        std::replace(name.begin(), name.end(), ' ', '_');
        return name;
    });

TEST_P(MissingPlaceholderTest, WindowOpensOnTheHexagramWithTheBacksThatLoaded)
{
    expectSpread(Hexagram, GetParam().firstWithout);
    for (int slot = 8; slot <= 22; ++slot)
        EXPECT_EQ(image(slot)->picture(), nullptr) << "the backs owed after the first frame stop where they fail";
    EXPECT_EQ(list()->currentText(), QStringLiteral("ヘキサグラムスプレッド"));
}

// Every spread from the menu, each a command with one box, although the
// Celtic Cross misses the back twice: laid out whole, the slots that had
// no back still empty.
TEST_P(MissingPlaceholderTest, EverySpreadIsLaidOutWhole)
{
    for (SpreadName index : {HolyTriangle, CelticCross, GypsyCross, CelticCross, TwoChoices, Hexagram}) {
        action(menuItemOf(index))->trigger();
        expectBackReported(takeErrorBox());
        expectSpread(index, GetParam().firstWithout);
    }
}

TEST(ScreenFit, TheWindowScrollsOnlyWhereTheScreenIsTooSmall)
{
    const QSize whole(700, 880);
    const int bar = 14;
    const struct
    {
        QSize available;
        QSize outer;
        bool scrolls;
    } screens[] = {
        {{1920, 1080}, {700, 880}, false},
        {{700, 880}, {700, 880}, false},   // just fits
        {{1366, 768}, {714, 768}, true},   // too low: wider by the bar
        {{1024, 878}, {700, 878}, false},  // as a desktop or a scaled screen rounds
        {{1024, 877}, {714, 877}, true},
        {{710, 768}, {710, 768}, true},    // too low, and no room for the bar
        {{640, 1024}, {640, 894}, true},   // too narrow: higher by the bar
        {{640, 480}, {640, 480}, true},    // both
    };
    for (const auto &screen : screens) {
        const ScreenFit fit = fitOnScreen(whole, screen.available, bar);
        EXPECT_EQ(fit.outer, screen.outer) << screen.available.width() << "x" << screen.available.height();
        EXPECT_EQ(fit.scrolls, screen.scrolls) << screen.available.width() << "x" << screen.available.height();
    }
}

TEST_F(WindowTest, MissingCardListIsReportedAndChangesNothing)
{
    std::filesystem::rename("cardimages/carddata.csv", "cardimages/away.csv");
    QStringList texts;
    for (int slot = 1; slot <= 22; ++slot)
        texts << edit(slot)->text();
    control<QPushButton>("btn1uranaikaisi")->click();
    const ErrorBox box = takeErrorBox();
    ASSERT_TRUE(box.shown);
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_EQ(box.buttons, QMessageBox::Ok);
    EXPECT_EQ(box.title, ErrorReporter::applicationTitle(QCoreApplication::applicationFilePath()));
    const QString path = QString::fromStdString(dir.path()) + QStringLiteral("/cardimages/carddata.csv");
    EXPECT_EQ(box.text, QStringLiteral("ファイル \"") + path + QStringLiteral("\" は開けません。指定されたファイルが見つかりません."));
    for (int slot = 1; slot <= 22; ++slot)
        EXPECT_EQ(edit(slot)->text(), texts[slot - 1]);

    std::filesystem::rename("cardimages/away.csv", "cardimages/carddata.csv");
    action("N2")->trigger();
    EXPECT_FALSE(takeErrorBox(300).shown);
    EXPECT_EQ(edit(1)->text().left(3), QStringLiteral("カード"));
}

TEST_F(WindowTest, ErrorsOfAnyKindReachTheReport)
{
    // An error raised by a handler outside our bindings reaches the report
    // through the application object; each such error has its own box.
    struct Thrower : QObject
    {
        bool event(QEvent *) override { throw std::bad_alloc(); }
    } thrower;
    QEvent event(QEvent::User);
    ErrorBoxCatcher catcher;
    QApplication::sendEvent(&thrower, &event);
    QApplication::sendEvent(&thrower, &event);
    const ErrorBox box = catcher.wait(3000);
    ASSERT_TRUE(box.shown);
    EXPECT_EQ(box.text, QStringLiteral("メモリが不足しています."));
    EXPECT_EQ(box.count, 2);
}

TEST_F(WindowTest, StackingAndTabOrderAsDeclared)
{
    QStringList stacking;
    for (int n = 1; n <= 6; ++n)
        stacking << QStringLiteral("Label%1").arg(n);
    for (int n : {1, 2, 3, 4, 5, 6, 7, 8, 10, 9})
        stacking << QStringLiteral("Image%1").arg(n);
    for (int n = 11; n <= 22; ++n)
        stacking << QStringLiteral("Image%1").arg(n);
    for (int n = 8; n <= 22; ++n)
        stacking << QStringLiteral("Label%1").arg(n);
    stacking << QStringLiteral("Label7");
    QStringList tabOrder = {QStringLiteral("btn1uranaikaisi"), QStringLiteral("Edit1"), QStringLiteral("Edit2"),
                            QStringLiteral("Edit3"), QStringLiteral("Button2")};
    for (int n = 4; n <= 7; ++n)
        tabOrder << QStringLiteral("Edit%1").arg(n);
    tabOrder << QStringLiteral("CheckBox1") << QStringLiteral("ComboBox1");
    for (int n = 8; n <= 22; ++n)
        tabOrder << QStringLiteral("Edit%1").arg(n);

    // Children paint in creation order: labels and image boxes first, in
    // their declared order, then every control that takes the keyboard.
    QStringList children;
    for (QObject *child : clientArea()->children())
        children << child->objectName();
    EXPECT_EQ(children, stacking + tabOrder);

    QStringList chain;
    QWidget *widget = control<QWidget>("btn1uranaikaisi");
    do {
        if (tabOrder.contains(widget->objectName()))
            chain << widget->objectName();
        widget = widget->nextInFocusChain();
    } while (widget != control<QWidget>("btn1uranaikaisi"));
    EXPECT_EQ(chain, tabOrder);
}
