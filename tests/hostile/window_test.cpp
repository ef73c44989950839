// Hostile card lists and picture names given to the main window: each ends
// the reading with one error box, never with a crash or a hang, and the
// next reading from a sound card list works.

#include "cardpicture.h"
#include "cardtable.h"
#include "decoderprocess.h"
#include "generator.h"
#include "hostilefiles.h"
#include "picturefile.h"
#include "sharedfile.h"
#include "testpictures.h"
#include "workerthread.h"
#include "windowfixture.h"

#include <QPushButton>
#include <QRegularExpression>

#include <cerrno>
#include <filesystem>
#include <set>
#include <sys/stat.h>

namespace {

const char CardList[] = "cardimages/carddata.csv";

std::string readFile(const char *path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

class HostileWindowTest : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        soundList = readFile(CardList);
        checkBox()->setChecked(false);
    }

    // What the slots show: their texts and the first slot's picture.
    struct Shown
    {
        QStringList texts;
        QImage first;
        bool operator==(const Shown &) const = default;
    };
    Shown seen() const
    {
        Shown now;
        for (int slot = 1; slot <= 22; ++slot)
            now.texts << edit(slot)->text();
        now.first = shown(1);
        return now;
    }

    void showCards() { control<QPushButton>("btn1uranaikaisi")->click(); }

    // The texts of the 22 slots, in no order: a reading deals them at random.
    std::set<QString> textsShown() const
    {
        std::set<QString> texts;
        for (int slot = 1; slot <= 22; ++slot)
            texts.insert(edit(slot)->text());
        return texts;
    }

    // A card list whose 22 cards all name the same picture file.
    static std::string everyCardNaming(const std::string &file)
    {
        std::string list = "name,file\r\n";
        for (int k = 0; k < 22; ++k)
            list += TestDeck::cardName(k) + "," + file + "\r\n";
        return list;
    }

    void replaceCardList(const std::string &bytes)
    {
        std::filesystem::remove_all(CardList);
        ScopedWorkDir::write(CardList, bytes);
    }

    // Puts the sound card list back and expects a whole reading from it.
    void expectTheNextReadingWorks()
    {
        replaceCardList(soundList);
        showCards();
        EXPECT_FALSE(takeErrorBox(300).shown);
        std::set<QString> deck;
        for (int k = 0; k < 22; ++k)
            deck.insert(CodePage::toQString(TestDeck::cardName(k)));
        EXPECT_EQ(textsShown(), deck);
        bool aCard = false;
        for (int k = 0; k < 22; ++k)
            aCard = aCard || TestDeck::turnOf(shown(22), TestDeck::cardColour(k)) == TestDeck::Turn::Upright;
        EXPECT_TRUE(aCard) << "the last slot shows a card";
    }

    // Gives the command over a card list whose every card names a picture
    // that cannot be loaded: the first slot gets its text, its picture and
    // every later slot stay as they were, and one box says what happened.
    void expectMissReported(const std::string &cardList, const QString &boxText)
    {
        replaceCardList(cardList);
        edit(1)->clear();
        const Shown before = seen();
        showCards();
        const ErrorBox box = takeErrorBox();
        EXPECT_EQ(box.text.toStdString(), boxText.toStdString());
        EXPECT_EQ(box.count, 1);
        const Shown after = seen();
        EXPECT_FALSE(after.texts[0].isEmpty()) << "the text comes before the picture";
        EXPECT_TRUE(after.first == before.first) << "the first picture stays";
        EXPECT_EQ(after.texts.mid(1), before.texts.mid(1));
    }

    std::string soundList;
};

TEST_F(HostileWindowTest, CardListsThatCannotBeReadAreReportedAndChangeNothing)
{
    const struct {
        const char *what;
        std::function<void()> make;
        const char *reason;
    } cases[] = {
        {"FIFO", [] { ASSERT_EQ(mkfifo(CardList, 0600), 0); }, "通常のファイルではありません"},
        {"link to a device", [] { std::filesystem::create_symlink("/dev/zero", CardList); },
         "通常のファイルではありません"},
        {"link to a terminal", [] { std::filesystem::create_symlink("/dev/tty", CardList); }, nullptr},
        {"folder", [] { std::filesystem::create_directory(CardList); }, "ファイルではなくフォルダーです"},
        {"200 MiB without a line end",
         [] { writeSparse(CardList, std::string(MaxCardListBytes + (1 << 20), 'x'), size_t{200} << 20); },
         "ファイルが大きすぎます"},
    };
    showCards(); // a reading to keep
    ASSERT_FALSE(takeErrorBox(300).shown);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(CardList);
        c.make();
        const Shown before = seen();
        showCards();
        const ErrorBox box = takeErrorBox();
        ASSERT_TRUE(box.shown);
        EXPECT_TRUE(box.text.contains(QStringLiteral("/cardimages/carddata.csv\" は開けません。"))) << box.text.toStdString();
        if (c.reason) {
            EXPECT_TRUE(box.text.endsWith(QString::fromUtf8(c.reason) + QLatin1Char('.'))) << box.text.toStdString();
        }
        EXPECT_TRUE(seen() == before);
    }
    expectTheNextReadingWorks();
}

TEST_F(HostileWindowTest, CardListsOfStrangeBytesAreReadAsTheyStand)
{
    // 200 MiB of NUL bytes: the first one ends the text, so every card is
    // empty and the reading stops at the first picture, which names the
    // card folder.
    writeSparse(CardList, {}, size_t{200} << 20);
    const Shown before = seen();
    showCards();
    EXPECT_EQ(takeErrorBox().text, pictureBoxText(QStringLiteral("cardimages/"), describeFileError(EISDIR)));
    EXPECT_EQ(edit(1)->text(), QString());
    EXPECT_TRUE(shown(1) == before.first);

    // A byte-order mark stays in the header; names that are no code page 932
    // show what they can, and a lead byte at the very end of the file stands
    // alone in a field nobody reads.
    std::vector<std::string> names;
    for (int k = 0; k < 22; ++k)
        names.push_back(TestDeck::cardName(k));
    names[0] += "\xFF\xFE";    // bytes that are no character
    names[1] += "\x85\x40";    // a lead byte of no assigned character
    names[2] = "\xA0\xFD" + names[2];
    std::string list = "\xEF\xBB\xBFname,file\r\n";
    for (int k = 0; k < 22; ++k)
        list += names[size_t(k)] + "," + TestDeck::cardFile(k) + (k < 21 ? "\r\n" : ",\x81");
    replaceCardList(list);
    showCards();
    EXPECT_FALSE(takeErrorBox(300).shown);
    std::set<QString> expected;
    for (const std::string &name : names)
        expected.insert(CodePage::toQString(name));
    EXPECT_EQ(textsShown(), expected);
    EXPECT_TRUE(CodePage::toQString(names[0]).endsWith(QChar(0xFFFD)));
    EXPECT_FALSE(edit(22)->text().isEmpty()) << "the reading went to its end";

    expectTheNextReadingWorks();
}

TEST_F(HostileWindowTest, PictureNamesThatReachNoPictureEndTheReadingWithOneBox)
{
    const QImage outside = TestDeck::quarteredPicture(Qt::magenta);
    ASSERT_TRUE(outside.save(QStringLiteral("outside.jpg"), "JPEG", 95));
    ScopedWorkDir::write("notes.txt", "not a picture");
    ASSERT_TRUE(outside.save(QStringLiteral("cardimages/my card.jpg"), "JPEG", 95));
    const std::string absolute = dir.path() + "/outside.jpg";
    std::string deep;
    while (deep.size() < 5000)
        deep += "a/";
    const std::string proc = "../../../../../../../../../../../../proc/self/status";
    const std::string notFound = describeFileError(ENOENT);
    const std::string tooLong = describeFileError(ENAMETOOLONG);
    // What the card list names, and the name and reason that its box gives:
    // no reason for a file that opens but holds no picture.
    const struct
    {
        std::string name;
        QString shown;
        std::string reason;
    } names[] = {
        {absolute, QString::fromStdString(absolute), notFound}, // joined to the card folder, so not found
        {"../notes.txt", QStringLiteral("../notes.txt"), {}},    // found beside it, but no picture
        {proc, QString::fromStdString(proc), {}},
        {std::string(300, 'n') + ".jpg", QString(300, QLatin1Char('n')) + QStringLiteral(".jpg"), tooLong},
        {deep + "card0.jpg", QString::fromStdString(deep) + QStringLiteral("card0.jpg"), tooLong},
        {"\xFF\xFE.jpg", CodePage::toQString("\xFF\xFE.jpg"), notFound}, // no code page 932
        {"card0.jpg\x81", CodePage::toQString("card0.jpg\x81"), notFound}, // a lead byte at the end
        {"", QString(), describeFileError(EISDIR)},                   // the card folder itself
    };
    for (const auto &n : names) {
        SCOPED_TRACE(n.name.substr(0, 60));
        expectMissReported(everyCardNaming(n.name), pictureBoxText(QStringLiteral("cardimages/") + n.shown, n.reason));
    }

    // Card lists as users may write them: a name with a blank, which the
    // blank cuts short, and a list saved as UTF-8. Read as code page 932,
    // the last byte of 者 in UTF-8 leads a double-byte character that takes
    // the comma after it: the line holds one field, and names no picture.
    std::string blank = "name,file\r\n";
    std::string utf8 = "name,file\r\n";
    for (int k = 0; k < 22; ++k) {
        blank += TestDeck::cardName(k) + ",my card.jpg\r\n";
        utf8 += "愚者,愚者.jpg\r\n";
    }
    expectMissReported(blank, pictureBoxText(QStringLiteral("cardimages/my"), notFound));
    expectMissReported(utf8, pictureBoxText(QStringLiteral("cardimages/"), describeFileError(EISDIR)));

    // A name that climbs out of the card folder to a picture finds it: names
    // are taken as the card list gives them.
    replaceCardList(everyCardNaming("../outside.jpg"));
    showCards();
    EXPECT_FALSE(takeErrorBox(300).shown);
    EXPECT_EQ(TestDeck::turnOf(shown(22), Qt::magenta), TestDeck::Turn::Upright);
}

// A picture that takes its decoder over, played by a decoder process that
// tries to create a file: it is ended, the card gives no picture, and the
// next reading has a decoder process of its own.
TEST_F(HostileWindowTest, ADecoderTakenOverGivesNoPictureAndTheNextReadingWorks)
{
    const std::string created = dir.path() + "/created";
    setDecoderMisbehaviourForTesting("open:" + created);
    const std::string card = TestDeck::cardFile(0);
    expectMissReported(everyCardNaming(card), pictureBoxText(QStringLiteral("cardimages/") + QString::fromStdString(card)));
    setDecoderMisbehaviourForTesting({});
    EXPECT_FALSE(std::filesystem::exists(created));
    expectTheNextReadingWorks();
}

TEST_F(HostileWindowTest, APictureTooLargeForABitmapIsReportedAndTheNextReadingWorks)
{
    ScopedWorkDir::write("cardimages/bomb.png", pngFile(40000, 40000, 8, 2, deflatedZeros(40001)));
    replaceCardList(everyCardNaming("bomb.png"));
    const Shown before = seen();
    showCards();
    const ErrorBox box = takeErrorBox();
    ASSERT_TRUE(box.shown);
    EXPECT_FALSE(box.text.isEmpty());
    const Shown after = seen();
    EXPECT_TRUE(after.texts[0].startsWith(QStringLiteral("カード"))) << "the text comes before the picture";
    EXPECT_TRUE(after.first == before.first) << "the first picture stays";
    EXPECT_EQ(after.texts.mid(1), before.texts.mid(1));

    expectTheNextReadingWorks();
}

// One card whose picture cannot be shown, however many pictures decode
// ahead of it: the reading stops at that card with its one box, and leaves
// the window as one picture after another would, the same on one thread as
// on four.
TEST_F(HostileWindowTest, AReadingStopsAtItsBadCardHoweverManyPicturesDecodeAhead)
{
    const std::string card = encodeJpeg(TestDeck::quarteredPicture(Qt::cyan));
    ScopedWorkDir::write("cardimages/damaged.jpg", card.substr(0, card.size() / 2));
    ScopedWorkDir::write("cardimages/huge.jpg", withSize(card, 60000, 60000));
    ScopedWorkDir::write("cardimages/large.jpg", withSize(card, 2048, 2048));
    const QString tooLarge = QStringLiteral("画像が大きすぎるため作成できません (%1)\nカードの画像は原寸で表示されます。"
                                            "105 × 153 ピクセル程度に縮小してください.");
    const struct
    {
        const char *kind;
        std::string file;
        QString box;
        size_t ceiling = 0;
    } bad[] = {
        {"missing", "gone.jpg", pictureBoxText(QStringLiteral("cardimages/gone.jpg"), describeFileError(ENOENT))},
        {"damaged", "damaged.jpg", pictureBoxText(QStringLiteral("cardimages/damaged.jpg"))},
        {"too large", "huge.jpg", tooLarge.arg(QStringLiteral("60000 x 60000"))},
        {"past the budget", "large.jpg", tooLarge.arg(QStringLiteral("2048 x 2048")), size_t{8} << 20},
    };
    constexpr int BadCard = 9;
    checkBox()->setChecked(true);
    CardPictureLoad::setDelayForTesting(std::chrono::milliseconds(2)); // several in flight at once
    for (const auto &b : bad) {
        SCOPED_TRACE(b.kind);
        std::string list = "name,file\r\n";
        for (int k = 0; k < 22; ++k)
            list += TestDeck::cardName(k) + "," + (k == BadCard ? b.file : TestDeck::cardFile(k)) + "\r\n";
        replaceCardList(list);
        const ScopedPixelCeiling ceiling(b.ceiling);
        struct Window
        {
            QStringList texts;
            std::vector<QImage> pictures;
            ErrorBox box;
        } seenWith[2];
        for (const int threads : {1, 4}) {
            Worker::setPoolSizeForTesting(threads);
            action("N9")->trigger();
            for (int slot = 1; slot <= 22; ++slot)
                edit(slot)->clear();
            GeneratorState = 11; // deals the bad card to slot 13
            showCards();
            Window &now = seenWith[threads == 1 ? 0 : 1];
            now.box = takeErrorBox();
            for (int slot = 1; slot <= 22; ++slot) {
                now.texts << edit(slot)->text();
                now.pictures.push_back(shown(slot));
            }
        }
        Worker::setPoolSizeForTesting(0);
        const Window &one = seenWith[0];
        EXPECT_EQ(one.box.text.toStdString(), b.box.toStdString());
        EXPECT_EQ(one.box.count, 1);
        const int stop = int(one.texts.indexOf(QRegularExpression(QStringLiteral("^カード9(（逆）)?$")))) + 1;
        ASSERT_GT(stop, 2);
        for (int slot = 1; slot <= 22; ++slot) {
            const bool back = TestDeck::turnOf(one.pictures[size_t(slot - 1)], TestDeck::PlaceholderColour)
                              == TestDeck::Turn::Upright;
            EXPECT_EQ(back, slot >= stop) << "slot " << slot;
            EXPECT_EQ(one.texts[slot - 1].isEmpty(), slot > stop) << "slot " << slot;
        }
        const Window &four = seenWith[1];
        EXPECT_EQ(four.box.text, one.box.text);
        EXPECT_EQ(four.box.count, 1);
        EXPECT_EQ(four.texts, one.texts);
        EXPECT_TRUE(four.pictures == one.pictures) << "four threads show what one does";
    }
    CardPictureLoad::setDelayForTesting(std::chrono::milliseconds(0));
}

TEST_F(HostileWindowTest, ReadingsAndSpreadsStayWithinThePixelBudget)
{
    // A file of a few hundred bytes that claims 2048 x 2048 grey pixels (4
    // MiB, and 16 MiB for its copy in full colour, which a turn makes and
    // which the budget counts whichever way it lies), named by every card.
    JpegOptions arithmetic;
    arithmetic.arithmetic = true;
    const QImage grey = testPattern(16, 16).convertToFormat(QImage::Format_Grayscale8);
    const std::string claim = withSize(encodeJpeg(grey, arithmetic), 2048, 2048);
    QImage negative = grey;
    negative.invertPixels();
    ScopedWorkDir::write("cardimages/claim.jpg", claim);
    ScopedWorkDir::write("cardimages/inverted.jpg", withSize(encodeJpeg(negative, arithmetic), 2048, 2048));
    Rgb claimFirst = 0, invertedFirst = 0;
    for (const auto &[file, first] : {std::pair{"cardimages/claim.jpg", &claimFirst},
                                      std::pair{"cardimages/inverted.jpg", &invertedFirst}}) {
        Bitmap picture;
        ASSERT_TRUE(LoadPictureFile(file, picture));
        *first = picture.pixel(0, 0);
    }
    ASSERT_NE(claimFirst, invertedFirst);
    replaceCardList(everyCardNaming("claim.jpg"));
    checkBox()->setChecked(true); // reversed cards are held turned, in full colour
    const ScopedPixelCeiling ceiling(size_t{136} << 20); // six held, and room to turn a seventh

    showCards();
    const ErrorBox box = takeErrorBox();
    ASSERT_TRUE(box.shown);
    EXPECT_TRUE(box.text.startsWith(QStringLiteral("画像が大きすぎるため作成できません (2048 x 2048)"))) << box.text.toStdString();
    EXPECT_LE(PixelBudget::inUse(), PixelBudget::ceiling());
    // The reading took what the budget allowed, turns and all, and stopped
    // at the picture it could not load: that slot has its text and still
    // the card back.
    int last = 1;
    while (last < 22 && edit(last + 1)->text().startsWith(QStringLiteral("カード")))
        ++last;
    ASSERT_GT(last, 1);
    ASSERT_LT(last, 22);
    for (int slot = 1; slot < last; ++slot)
        EXPECT_EQ(image(slot)->size(), QSize(2048, 2048)) << slot;
    EXPECT_NE(image(last)->size(), QSize(2048, 2048));

    // Each card takes the room of the one it replaces, and as much of the
    // budget whichever way it lies: a deck that fits once fits every time,
    // whatever lay reversed before, not only after a spread has freed the
    // slots. Two claims that differ in their first pixel tell each
    // reading's cards from the last one's; a reversed card has it last.
    action("N6")->trigger(); // the card backs again
    ASSERT_FALSE(takeErrorBox(300).shown);
    const auto dealt = [this](Rgb first) {
        int count = 0;
        while (count < 22) {
            const Bitmap *picture = image(count + 1)->picture();
            const bool reversed = edit(count + 1)->text().endsWith(QStringLiteral("（逆）"));
            if (picture->pixel(reversed ? picture->width() - 1 : 0, reversed ? picture->height() - 1 : 0) != first)
                break;
            ++count;
        }
        return count;
    };
    // However many pictures decode ahead, each is decided as one at a time
    // would decide it, and nothing held passes the ceiling meanwhile.
    int fitted = 0;
    std::set<QString> reversals; // which of the cards dealt lay reversed, reading by reading
    for (const int threads : {1, 2, 4}) {
        Worker::setPoolSizeForTesting(threads);
        PixelBudget::resetPeak();
        for (const uint32_t seed : {0u, 1u, 2u, 3u, 4u, 5u}) {
            SCOPED_TRACE(testing::Message() << threads << " threads, seed " << seed);
            const bool inverted = seed % 2 == 1;
            replaceCardList(everyCardNaming(inverted ? "inverted.jpg" : "claim.jpg"));
            GeneratorState = seed;
            showCards();
            ASSERT_TRUE(takeErrorBox().shown);
            const int now = dealt(inverted ? invertedFirst : claimFirst);
            if (fitted == 0)
                fitted = now;
            EXPECT_EQ(now, fitted);
            QString reversed;
            for (int slot = 1; slot <= fitted; ++slot)
                reversed += edit(slot)->text().endsWith(QStringLiteral("（逆）")) ? QLatin1Char('R') : QLatin1Char('U');
            reversals.insert(reversed);
        }
        EXPECT_LE(PixelBudget::peak(), PixelBudget::ceiling()) << threads << " threads";
    }
    Worker::setPoolSizeForTesting(0);
    ASSERT_GT(fitted, 1);
    EXPECT_GT(reversals.size(), 2u) << "the readings lay their cards differently";

    // The same file as the card back: laying out a spread takes the budget
    // up and reports it; the window goes on.
    ScopedWorkDir::write(PlaceholderPicture, claim);
    action("N10")->trigger();
    ASSERT_TRUE(takeErrorBox().shown);
    EXPECT_LE(PixelBudget::inUse(), PixelBudget::ceiling());
    TestDeck::write();
    action("N10")->trigger();
    EXPECT_FALSE(takeErrorBox(300).shown);
    checkBox()->setChecked(false);
    expectTheNextReadingWorks();
}
