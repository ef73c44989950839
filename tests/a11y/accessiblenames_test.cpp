// What assistive technology reads from the window: every text box named by
// its slot's label, every image box by what it shows, the spread list by its
// own name, every other control and menu item by its caption.

#include "windowfixture.h"

#include "generator.h"

#include <QAccessible>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>

#include <filesystem>
#include <set>

namespace {

QAccessibleInterface *accessible(QObject *object)
{
    QAccessibleInterface *interface = QAccessible::queryAccessibleInterface(object);
    EXPECT_NE(interface, nullptr);
    return interface;
}

QString nameOf(QObject *object)
{
    QAccessibleInterface *interface = accessible(object);
    return interface ? interface->text(QAccessible::Name) : QString();
}

const QString CardBack = QStringLiteral("カードの裏面");

// Which way a picture lies, in the words its name uses.
QString wayOf(TestDeck::Turn turn)
{
    switch (turn) {
    case TestDeck::Turn::Upright: return QStringLiteral("正位置");
    case TestDeck::Turn::UpsideDown: return QStringLiteral("逆さま");
    case TestDeck::Turn::Clockwise:
    case TestDeck::Turn::CounterClockwise: return QStringLiteral("横向き");
    case TestDeck::Turn::Unknown: break;
    }
    return QStringLiteral("(not a card picture)");
}

// The names of an accessible's children, in order.
QStringList childNames(QAccessibleInterface *parent)
{
    QStringList names;
    for (int i = 0; i < parent->childCount(); ++i)
        names << parent->child(i)->text(QAccessible::Name);
    return names;
}

} // namespace

class AccessibleNamesTest : public WindowTest
{
protected:
    void expectTextBoxesNamedByTheirLabels()
    {
        for (int slot = 1; slot <= 22; ++slot) {
            EXPECT_EQ(nameOf(edit(slot)), label(slot)->text()) << "Edit" << slot;
            EXPECT_EQ(accessible(edit(slot))->role(), QAccessible::EditableText) << "Edit" << slot;
        }
    }

    void expectCardBacks(int fromSlot = 1)
    {
        for (int slot = fromSlot; slot <= 22; ++slot) {
            EXPECT_NE(TestDeck::turnOf(shown(slot), TestDeck::PlaceholderColour), TestDeck::Turn::Unknown)
                << "Image" << slot << " shows the back";
            EXPECT_EQ(nameOf(image(slot)), CardBack) << "Image" << slot;
            EXPECT_EQ(accessible(image(slot))->role(), QAccessible::Graphic) << "Image" << slot;
        }
    }

    // Slot shows the card its text box names, and its image box says so,
    // with the way the picture on screen lies, once: a reversed card's
    // （逆） already says upside down. Returns how it lies.
    TestDeck::Turn expectCardNamed(int slot)
    {
        const QString text = edit(slot)->text();
        const QRegularExpressionMatch card = QRegularExpression(QStringLiteral("^カード(\\d+)")).match(text);
        EXPECT_TRUE(card.hasMatch()) << "Edit" << slot << " holds " << text.toStdString();
        const TestDeck::Turn turn = TestDeck::turnOf(shown(slot), TestDeck::cardColour(card.captured(1).toInt()));
        const bool saidByText = turn == TestDeck::Turn::UpsideDown && text.endsWith(QStringLiteral("（逆）"));
        EXPECT_EQ(nameOf(image(slot)), saidByText ? text : text + QStringLiteral("、") + wayOf(turn))
            << "Image" << slot;
        return turn;
    }

    void showCards(uint32_t state)
    {
        GeneratorState = state;
        control<QPushButton>("btn1uranaikaisi")->click();
    }
};

TEST_F(AccessibleNamesTest, AtStartTextBoxesFollowTheirLabelsAndImagesShowTheBack)
{
    expectTextBoxesNamedByTheirLabels();
    EXPECT_EQ(nameOf(edit(7)), QStringLiteral("最終結果")) << "the Hexagram's last position";
    expectCardBacks();
}

TEST_F(AccessibleNamesTest, ControlsAndMenuItemsSpeakTheirCaptions)
{
    EXPECT_EQ(nameOf(control<QPushButton>("btn1uranaikaisi")), QStringLiteral("カード表示"));
    EXPECT_EQ(nameOf(control<QPushButton>("Button2")), QStringLiteral("終了"));
    EXPECT_EQ(nameOf(checkBox()), QStringLiteral("正位置・逆位置を区別する"));
    // The list has a name of its own; its pick is its value and its text.
    for (const char *menuItem : {"N9", "N6"}) {
        action(menuItem)->trigger();
        QAccessibleInterface *spreads = accessible(list());
        ASSERT_NE(spreads, nullptr);
        EXPECT_EQ(spreads->text(QAccessible::Name), QStringLiteral("スプレッド"));
        EXPECT_EQ(spreads->role(), QAccessible::ComboBox);
        EXPECT_EQ(spreads->text(QAccessible::Value), action(menuItem)->text());
        ASSERT_NE(spreads->textInterface(), nullptr);
        EXPECT_EQ(spreads->textInterface()->text(0, spreads->textInterface()->characterCount()),
                  action(menuItem)->text());
        EXPECT_EQ(spreads->child(0)->childCount(), SpreadCount) << "the pop-up list and every spread";
    }

    QAccessibleInterface *menuBar = accessible(form->menuBar());
    ASSERT_NE(menuBar, nullptr);
    EXPECT_EQ(childNames(menuBar), (QStringList{QStringLiteral("ファイル"), QStringLiteral("カード"),
                                                QStringLiteral("設定")}));
    const auto menuOf = [this](const char *name) { return accessible(control<QMenu>(name)); };
    EXPECT_EQ(childNames(menuOf("N4")), QStringList{QStringLiteral("タロットカード（大アルカナ）")});
    EXPECT_EQ(childNames(menuOf("N1")), (QStringList{QStringLiteral("カード表示"), QStringLiteral("終了")}));
    EXPECT_EQ(childNames(menuOf("N5")),
              (QStringList{QStringLiteral("聖三角スプレッド"), QStringLiteral("ジプシーの十字スプレッド"),
                           QStringLiteral("二者択一スプレッド"), QStringLiteral("ヘキサグラムスプレッド"),
                           QStringLiteral("ケルト十字スプレッド")}));
    EXPECT_EQ(childNames(menuOf("N11")), QStringList{QStringLiteral("正位置・逆位置を区別する")});
}

TEST_F(AccessibleNamesTest, EverySpreadRenamesTheTextBoxesAndShowsTheBackAgain)
{
    std::set<QString> firstNames;
    // Every spread of the table after a reading, each after the one before
    // it and the first after the last.
    for (int i = 0; i <= SpreadCount; ++i) {
        showCards(7);
        action(spreads()[size_t(i % SpreadCount)].menuItem)->trigger();
        expectTextBoxesNamedByTheirLabels();
        expectCardBacks();
        firstNames.insert(nameOf(edit(1)));
    }
    EXPECT_GE(firstNames.size(), 3u) << "the spreads give slot 1 different labels";
    pickInList(GypsyCross);
    expectTextBoxesNamedByTheirLabels();
}

TEST_F(AccessibleNamesTest, AReadingNamesEachCardAndTheWayItLies)
{
    for (const char *menuItem : {"N9", "N10"}) {
        action(menuItem)->trigger();
        // The second deal with reversal on reverses the card in slot 2,
        // which the Celtic Cross lays across: on its side and reversed.
        for (const auto &[reversal, state] : {std::pair(true, 1u), std::pair(false, 1u), std::pair(true, 2u)}) {
            checkBox()->setChecked(reversal);
            showCards(state);
            EXPECT_EQ(edit(CrossingSlot)->text().endsWith(QStringLiteral("（逆）")), state == 2);
            std::set<TestDeck::Turn> ways;
            for (int slot = 1; slot <= 22; ++slot)
                ways.insert(expectCardNamed(slot));
            EXPECT_EQ(ways.count(TestDeck::Turn::UpsideDown), reversal ? 1u : 0u) << menuItem;
            EXPECT_EQ(ways.count(TestDeck::Turn::Upright), 1u) << menuItem;
            const bool celtic = menuItem == std::string_view("N10");
            EXPECT_EQ(ways.count(TestDeck::Turn::Clockwise) + ways.count(TestDeck::Turn::CounterClockwise),
                      celtic ? 1u : 0u) << menuItem;
            expectTextBoxesNamedByTheirLabels();
        }
    }
}

TEST_F(AccessibleNamesTest, APictureThatFailsLeavesItsBoxNamedForWhatItStillShows)
{
    std::filesystem::remove("cardimages/" + TestDeck::cardFile(9));
    showCards(3);
    int failed = 0;
    for (int slot = 1; slot <= 22 && !failed; ++slot) {
        if (edit(slot)->text().startsWith(CodePage::toQString(TestDeck::cardName(9)))) // "カード9" or "カード9（逆）"
            failed = slot;
        else
            expectCardNamed(slot);
    }
    ASSERT_GT(failed, 0) << "card 9 is dealt somewhere";
    expectCardBacks(failed);
}
