// The program as a user meets it: a real window in an X server, real clicks,
// wheel turns and keys, and what the screen then shows. The suites whose
// names begin with SmallScreen run in an X server of a laptop's 1366 x 768,
// the others in one that holds the whole window.

#include "childprocesses.h"
#include "testdeck.h"
#include "testpictures.h"
#include "workdir.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <cstring>
#include <memory>
#include <optional>

#include <poll.h>
#include <xcb/xcb.h>

namespace {

// Runs a command and returns what it printed.
QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(15000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

void pause(int milliseconds)
{
    QThread::msleep(static_cast<unsigned long>(milliseconds));
}

QImage screenshot()
{
    run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("shot.png")});
    return QImage(QStringLiteral("shot.png")).convertToFormat(QImage::Format_RGB32);
}

// What a desktop asks of a window through the X server: the ping that
// tells a live program from a hung one, and the close box.
class Desktop
{
public:
    Desktop() : m_connection(xcb_connect(nullptr, nullptr), xcb_disconnect)
    {
        const xcb_setup_t *setup = xcb_get_setup(m_connection.get());
        m_root = xcb_setup_roots_iterator(setup).data->root;
        // A window answers a ping on the root window, to the window manager;
        // with none here, the desktop listens there itself.
        const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection.get(), m_root, XCB_CW_EVENT_MASK, &mask);
        m_protocols = atom("WM_PROTOCOLS");
        m_ping = atom("_NET_WM_PING");
        m_delete = atom("WM_DELETE_WINDOW");
    }

    // Whether the window answers a ping within milliseconds.
    bool answersPing(const QString &window, int milliseconds)
    {
        const uint32_t serial = ++m_serial;
        send(window, m_ping, serial);
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < milliseconds) {
            while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection.get())) {
                const auto *message = reinterpret_cast<const xcb_client_message_event_t *>(event);
                const bool answer = (event->response_type & 0x7F) == XCB_CLIENT_MESSAGE
                                    && message->data.data32[0] == m_ping && message->data.data32[1] == serial;
                std::free(event);
                if (answer)
                    return true;
            }
            pollfd readable{xcb_get_file_descriptor(m_connection.get()), POLLIN, 0};
            poll(&readable, 1, 10);
        }
        return false;
    }

    // The window's close box, or Alt+F4, as the window manager passes it on.
    void close(const QString &window) { send(window, m_delete, XCB_CURRENT_TIME); }

private:
    xcb_atom_t atom(const char *name)
    {
        xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
            m_connection.get(), xcb_intern_atom(m_connection.get(), 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t found = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return found;
    }

    void send(const QString &window, xcb_atom_t protocol, uint32_t data)
    {
        xcb_client_message_event_t message = {};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window.toUInt();
        message.type = m_protocols;
        message.data.data32[0] = protocol;
        message.data.data32[1] = data;
        message.data.data32[2] = message.window;
        xcb_send_event(m_connection.get(), 0, message.window, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char *>(&message));
        xcb_flush(m_connection.get());
    }

    std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t *)> m_connection;
    xcb_window_t m_root = 0;
    xcb_atom_t m_protocols = 0, m_ping = 0, m_delete = 0;
    uint32_t m_serial = 0;
};

struct At
{
    int top;
    int left;
};

// Image boxes of the Hexagram, slots 1 to 7.
const At hexagram[] = {{125, 280}, {450, 480}, {450, 80}, {575, 280}, {200, 80}, {200, 480}, {350, 280}};

class ProgramOnX : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(qgetenv("DISPLAY").isEmpty()) << "run under tests/support/with-xvfb";
        writeDeck();
        program.setProgram(QStringLiteral(KUERUMI_PROGRAM));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(dir.path()));
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(QString::fromStdString(dir.path()));
        program.start();
        ASSERT_TRUE(program.waitForStarted());
        // Found by its process, not by its caption, which xdotool cannot
        // match in a locale that is not UTF-8.
        for (int tries = 0; tries < 300 && window.isEmpty() && program.state() == QProcess::Running; ++tries) {
            window = run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                     QStringLiteral("--pid"), QString::number(program.processId())})
                         .section(QLatin1Char('\n'), 0, 0);
            if (window.isEmpty())
                pause(100);
        }
        ASSERT_FALSE(window.isEmpty())
            << "the window did not open: " << program.readAllStandardError().toStdString() << "\nwaiting in "
            << run(QStringLiteral("cat"), {QStringLiteral("/proc/%1/wchan").arg(program.processId())}).toStdString()
            << "\n" << run(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")}).toStdString();
        pause(800);
    }

    void TearDown() override
    {
        program.kill();
        program.waitForFinished();
    }

    virtual void writeDeck() { TestDeck::write(); }

    // Whether the program ends within milliseconds.
    bool endsWithin(int milliseconds) { return program.waitForFinished(milliseconds); }

    // The window's outer size as the X server reports it.
    QSize outerSize() const
    {
        const QString info = run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), window});
        const auto number = [&info](const char *field) {
            return QRegularExpression(QLatin1String(field) + QStringLiteral(":\\s+(\\d+)")).match(info).captured(1).toInt();
        };
        return QSize(number("Width"), number("Height"));
    }

    static QImage card(const QImage &shot, At at, QPoint client)
    {
        return shot.copy(client.x() + at.left, client.y() + at.top, TestDeck::CardWidth, TestDeck::CardHeight);
    }

    // The client area's origin on the screen: the window lies at the screen's
    // top left, and the client area starts below the menu bar, whose height
    // the font decides, or above it when scrolled. Found where the Hexagram's
    // placeholders, all on the screen, line up.
    static std::optional<QPoint> findClientArea(const QImage &shot)
    {
        const auto isPlaceholder = [&shot](int x, int y) {
            return TestDeck::near(shot.pixelColor(x, y), TestDeck::PlaceholderColour);
        };
        for (int origin = -300; origin < 80; ++origin) {
            bool all = true;
            for (const At &at : hexagram) {
                const int top = at.top + origin;
                all = all && top > 0 && top + TestDeck::CardHeight <= shot.height()
                      && isPlaceholder(at.left + 5, top) && !isPlaceholder(at.left + 5, top - 1)
                      && !isPlaceholder(at.left - 1, top + 5)
                      && TestDeck::turnOf(card(shot, at, QPoint(0, origin)), TestDeck::PlaceholderColour)
                             == TestDeck::Turn::Upright;
            }
            if (all)
                return QPoint(0, origin);
        }
        return std::nullopt;
    }

    static QSize screenSize()
    {
        const QStringList size = run(QStringLiteral("xdotool"), {QStringLiteral("getdisplaygeometry")})
                                     .split(QLatin1Char(' '));
        return size.size() == 2 ? QSize(size[0].toInt(), size[1].toInt()) : QSize();
    }

    // Keys go to the window whatever the pointer does.
    void keys(const QStringList &names)
    {
        run(QStringLiteral("xdotool"), {QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
        run(QStringLiteral("xdotool"), QStringList{QStringLiteral("key"), QStringLiteral("--delay"),
                                                   QStringLiteral("60")} + names);
        pause(300);
    }

    void turnWheelDown(QPoint screen, int notches)
    {
        run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(screen.x()),
                                        QString::number(screen.y())});
        for (int notch = 0; notch < notches; ++notch)
            run(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("5")});
        pause(300);
    }

    // What the focused text box holds, copied out through the clipboard.
    QString focusedText()
    {
        keys({QStringLiteral("ctrl+a"), QStringLiteral("ctrl+c")});
        return run(QStringLiteral("xclip"), {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
    }

    void click(QPoint screen)
    {
        run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(screen.x()),
                                        QString::number(screen.y()), QStringLiteral("click"), QStringLiteral("1")});
        pause(300);
    }

    // The pointer to a corner of the screen beside the window.
    static void pointerAway()
    {
        run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QStringLiteral("790"), QStringLiteral("990")});
    }

    // What a text box holds, copied out through the clipboard as a user would.
    QString textOf(QPoint screen)
    {
        click(screen);
        return focusedText();
    }

    ScopedWorkDir dir;
    QProcess program;
    QString window;
};

} // namespace

// Hexagram slot 4, the lowest: its text box's bottom edge, and a point in it.
constexpr int LowestEditBottom = 575 + 160 + 21;
constexpr QPoint LowestEdit(280 + 60, 575 + 160 + 10);

TEST_F(ProgramOnX, OpensAtItsSizeWithTheHexagramOnScreen)
{
    ASSERT_GE(screenSize().height(), 880) << "a screen that holds the whole window";
    EXPECT_EQ(outerSize(), QSize(700, 880));
    const QImage shot = screenshot();
    const std::optional<QPoint> client = findClientArea(shot);
    ASSERT_TRUE(client) << "the seven placeholders are not where the Hexagram puts them";
    EXPECT_GT(client->y(), 0) << "the menu bar lies above the client area";
    turnWheelDown(*client + QPoint(650, 400), 10);
    EXPECT_EQ(findClientArea(screenshot()), client) << "where the window fits, nothing scrolls";
}

TEST_F(ProgramOnX, ShowCardsPutsEachNamedCardInItsSlot)
{
    const std::optional<QPoint> client = findClientArea(screenshot());
    ASSERT_TRUE(client);
    click(*client + QPoint(303 + 35, 20 + 12)); // "カード表示"
    pause(500);
    const QImage shot = screenshot();
    int reversed = 0;
    for (int slot = 1; slot <= 7; ++slot) {
        const At at = hexagram[slot - 1];
        const QString text = textOf(*client + QPoint(at.left + 60, at.top + 160 + 10));
        const QRegularExpressionMatch match
            = QRegularExpression(QStringLiteral("^カード(\\d+)(（逆）)?$")).match(text);
        ASSERT_TRUE(match.hasMatch()) << "slot " << slot << ": " << text.toStdString();
        const int cardNumber = match.captured(1).toInt();
        const bool upsideDown = !match.captured(2).isEmpty();
        reversed += upsideDown;
        EXPECT_EQ(TestDeck::turnOf(card(shot, at, *client), TestDeck::cardColour(cardNumber)),
                  upsideDown ? TestDeck::Turn::UpsideDown : TestDeck::Turn::Upright)
            << "slot " << slot << " named " << text.toStdString();
    }
    RecordProperty("reversed", reversed);
}

// On a laptop's screen the window takes the screen's height, and its client
// area scrolls to what lies below the screen's edge.
class SmallScreen : public ProgramOnX
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(screenSize(), QSize(1366, 768)) << "run under tests/support/with-xvfb --screen 1366x768";
        ProgramOnX::SetUp();
        ASSERT_EQ(outerSize().height(), 768);
        EXPECT_GE(outerSize().width(), 700) << "the client area keeps its width beside the scroll bar";
        top = findClientArea(screenshot());
        ASSERT_TRUE(top) << "the seven placeholders are not where the Hexagram puts them";
        ASSERT_GT(top->y() + LowestEditBottom, 768) << "the lowest text box starts below the screen";
    }

    // The client area scrolled so far that the lowest text box shows whole.
    void expectScrolledToTheLowestTextBox(QPoint client)
    {
        EXPECT_LT(client.y(), top->y());
        EXPECT_LE(client.y() + LowestEditBottom, 768);
    }

    std::optional<QPoint> top;
};

TEST_F(SmallScreen, TheWheelScrollsToTheLowestTextBox)
{
    turnWheelDown(*top + QPoint(650, 400), 10);
    const std::optional<QPoint> client = findClientArea(screenshot());
    ASSERT_TRUE(client) << "the placeholders move together";
    expectScrolledToTheLowestTextBox(*client);
    click(*client + LowestEdit);
    keys({QStringLiteral("w"), QStringLiteral("h"), QStringLiteral("e"), QStringLiteral("e"), QStringLiteral("l")});
    EXPECT_EQ(focusedText(), QStringLiteral("wheel"));
}

TEST_F(SmallScreen, TabBringsTheLowestTextBoxIntoView)
{
    // From the show-cards button, first in the tab order, past 過去, 現在,
    // 未来 and 終了 to 対応策, the Hexagram's lowest text box.
    keys(QStringList(5, QStringLiteral("Tab")) + QStringList{QStringLiteral("t"), QStringLiteral("a"), QStringLiteral("b")});
    const std::optional<QPoint> client = findClientArea(screenshot());
    ASSERT_TRUE(client);
    expectScrolledToTheLowestTextBox(*client);
    EXPECT_EQ(focusedText(), QStringLiteral("tab"));
    EXPECT_EQ(textOf(*client + LowestEdit), QStringLiteral("tab")) << "typed into the lowest text box";
}

// Decks of pictures that an honest decoder takes long for: the window paints
// and answers its desktop meanwhile, takes the user's input once the command
// is over, and ends as soon as it is closed. Each picture here takes about a
// second (4000 x 4000) or a fifth of one (1600 x 1600): a program that
// waited for its pictures would answer, or end, only tens of seconds later.
class SlowDeckOnX : public ProgramOnX
{
protected:
    static void writeSlow(const char *name, int side)
    {
        ScopedWorkDir::write(std::string("cardimages/") + name, slowJpeg(side));
    }
    // The test deck, but every card line names that picture.
    static void everyCardNames(const char *name)
    {
        std::string list = "name,file\r\n";
        for (int k = 0; k < 22; ++k)
            list += TestDeck::cardName(k) + "," + name + "\r\n";
        ScopedWorkDir::write("cardimages/carddata.csv", list);
    }

    void showCards() { click(*client + QPoint(303 + 35, 20 + 12)); }

    Desktop desktop;
    std::optional<QPoint> client;
};

// The back is decoded once and copied into every slot: one that takes
// over two seconds, so that the window is closed while it decodes.
class SlowBackOnX : public SlowDeckOnX
{
protected:
    void writeDeck() override
    {
        TestDeck::write();
        writeSlow("cut_tarot_00_150.jpg", 6000);
    }
};

TEST_F(SlowBackOnX, AnswersWhileItsBacksLoadAndEndsWhenClosed)
{
    EXPECT_TRUE(desktop.answersPing(window, 2000));
    desktop.close(window);
    EXPECT_TRUE(endsWithin(5000)) << "the slow back was waited for";
}

class SlowCardsOnX : public SlowDeckOnX
{
protected:
    void writeDeck() override
    {
        TestDeck::write();
        writeSlow("slow.jpg", side);
        everyCardNames("slow.jpg");
    }
    void SetUp() override
    {
        ProgramOnX::SetUp();
        client = findClientArea(screenshot());
        ASSERT_TRUE(client) << "the placeholders are not where the Hexagram puts them";
    }

    int side = 1600;
};

TEST_F(SlowCardsOnX, AReadingAnswersAndTakesAClickOnlyAfterIt)
{
    showCards();
    EXPECT_TRUE(desktop.answersPing(window, 2000));
    click(*client + QPoint(572 + 37, 20 + 12)); // "終了", while the reading goes on
    pointerAway();
    EXPECT_FALSE(endsWithin(500)) << "終了 waits for the reading";
    EXPECT_TRUE(endsWithin(30000)) << "and then ends the program, wherever the pointer went";
}

// Whether the reversal box shows its tick: the tick's dark strokes inside
// its square, at the left of the box (56, 49 in the client area, 41 high).
static bool ticked(const QImage &shot, QPoint client)
{
    int dark = 0;
    for (int y = 64; y < 74; ++y) {
        for (int x = 59; x < 68; ++x)
            dark += qGray(shot.pixel(client.x() + x, client.y() + y)) < 96;
    }
    return dark >= 8;
}

// Given during a reading, in this order: text typed into the first
// position's box, a click on カード表示 that the pointer leaves at once, a
// click on the reversal box that it leaves a second later. Each acts once,
// after the reading and in order: the second reading replaces the typed
// text, and the box is unticked.
TEST_F(SlowCardsOnX, ClicksAndKeysGivenDuringAReadingActOnceAfterIt)
{
    const QPoint firstText = *client + QPoint(hexagram[0].left + 60, hexagram[0].top + 160 + 10);
    ASSERT_TRUE(ticked(screenshot(), *client));
    showCards();
    click(firstText);
    keys({QStringLiteral("x")});
    click(*client + QPoint(303 + 35, 20 + 12));
    pointerAway();
    click(*client + QPoint(56 + 8, 49 + 20));
    pause(1000);
    pointerAway();
    const QRegularExpression cardName(QStringLiteral("^カード\\d+(（逆）)?$"));
    QString text;
    for (int tries = 0; tries < 40 && !cardName.match(text).hasMatch(); ++tries)
        text = textOf(firstText); // held, too, while a reading goes on
    EXPECT_TRUE(cardName.match(text).hasMatch()) << text.toStdString();
    EXPECT_FALSE(ticked(screenshot(), *client));
}

class VerySlowCardsOnX : public SlowCardsOnX
{
protected:
    VerySlowCardsOnX() { side = 4000; }
};

TEST_F(VerySlowCardsOnX, AReadingEndsWhenTheWindowIsClosed)
{
    showCards();
    pause(1000);
    desktop.close(window);
    EXPECT_TRUE(endsWithin(5000)) << "the reading's twenty slow cards were waited for";
}

// Pictures decode in processes of the program's own, confined: each holds
// only what it was handed; one killed in the middle of a card costs that
// card one box, and the next reading works; none outlives the window.
TEST_F(VerySlowCardsOnX, DecodersRunConfinedApartAndEndWithTheWindow)
{
    const pid_t shown = pid_t(program.processId());
    showCards();
    // Until a decoder process holds the first card's picture.
    const auto holdsTheCard = [this](pid_t each) {
        std::error_code error;
        for (const auto &fd : std::filesystem::directory_iterator("/proc/" + std::to_string(each) + "/fd", error)) {
            if (std::filesystem::read_symlink(fd, error).string() == dir.path() + "/cardimages/slow.jpg")
                return true;
        }
        return false;
    };
    std::vector<pid_t> decoders = childProcesses(shown);
    for (int tries = 0; tries < 50 && std::none_of(decoders.begin(), decoders.end(), holdsTheCard); ++tries) {
        pause(100);
        decoders = childProcesses(shown);
    }
    ASSERT_FALSE(decoders.empty()) << "no decoder process";
    EXPECT_EQ(processStatus(shown, "Seccomp"), "Seccomp:\t0");
    // Each holds its socket, the picture it decodes and the memory it
    // decodes it into; in the builds with sanitizers, the program's standard
    // error too, for their reports.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    const std::string reports = std::filesystem::read_symlink("/proc/" + std::to_string(shown) + "/fd/2").string();
#else
    const std::string reports = "none";
#endif
    pid_t decoder = 0; // one that decodes a card now
    for (const pid_t each : decoders) {
        EXPECT_EQ(processStatus(each, "Seccomp"), "Seccomp:\t2");
        EXPECT_EQ(processStatus(each, "NoNewPrivs"), "NoNewPrivs:\t1");
        std::error_code error; // a file closed meanwhile is no longer there
        for (const auto &fd : std::filesystem::directory_iterator("/proc/" + std::to_string(each) + "/fd", error)) {
            const std::string handed = std::filesystem::read_symlink(fd, error).string();
            const std::string number = fd.path().filename().string();
            const bool picture = handed == dir.path() + "/cardimages/slow.jpg";
            decoder = picture ? each : decoder;
            EXPECT_TRUE(handed.empty() || picture || handed.starts_with("/memfd:kuerumi-pixels")
                        || (number == "3" && handed.starts_with("socket:")) || (number == "2" && handed == reports))
                << number << " -> " << handed;
        }
    }
    ASSERT_NE(decoder, 0) << "caught between two cards";

    kill(decoder, SIGKILL);
    QStringList boxes;
    for (int tries = 0; tries < 50 && boxes.isEmpty(); ++tries) {
        pause(100);
        boxes = run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                QStringLiteral("--pid"), QString::number(shown)})
                    .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        boxes.removeAll(window);
    }
    ASSERT_EQ(boxes.size(), 1) << "one box for the card";
    run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("--window"), boxes[0], QStringLiteral("Return")});
    pause(300);

    TestDeck::write();
    showCards();
    pause(800);
    const QString text = textOf(*client + QPoint(hexagram[0].left + 60, hexagram[0].top + 160 + 10));
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("^カード(\\d+)")).match(text);
    ASSERT_TRUE(match.hasMatch()) << text.toStdString();
    EXPECT_NE(TestDeck::turnOf(card(screenshot(), hexagram[0], *client), TestDeck::cardColour(match.captured(1).toInt())),
              TestDeck::Turn::Unknown)
        << "the next reading shows its cards";

    std::vector<pid_t> seen = childProcesses(shown);
    seen.push_back(decoder);
    desktop.close(window);
    EXPECT_TRUE(endsWithin(5000));
    pause(1000);
    for (const pid_t each : seen)
        EXPECT_FALSE(std::filesystem::exists("/proc/" + std::to_string(each))) << "decoder " << each << " outlived";
}

// A card back that is missing: the box that says so stands over the window,
// which has not been activated (no window manager here gives it the focus),
// not in the middle of the screen, which on a laptop's lies far to its right.
class SmallScreenMissingBack : public ProgramOnX
{
protected:
    void writeDeck() override
    {
        TestDeck::write();
        std::filesystem::remove("cardimages/cut_tarot_00_150.jpg");
    }

    // Left, top, width and height of a window on the screen.
    QRect geometryOf(const QString &id)
    {
        const QString info = run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id});
        const auto number = [&info](const char *field) {
            return QRegularExpression(QLatin1String(field) + QStringLiteral(":\\s+(-?\\d+)")).match(info).captured(1).toInt();
        };
        return QRect(number("Absolute upper-left X"), number("Absolute upper-left Y"), number("Width"),
                     number("Height"));
    }
};

TEST_F(SmallScreenMissingBack, TheBoxStandsOverTheWindow)
{
    QString box;
    for (int tries = 0; tries < 50 && box.isEmpty(); ++tries) {
        const QStringList windows = run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                                   QStringLiteral("--pid"), QString::number(program.processId())})
                                        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (const QString &id : windows) {
            if (id != window)
                box = id;
        }
        if (box.isEmpty())
            pause(100);
    }
    ASSERT_FALSE(box.isEmpty()) << "no box came";
    // Over the window's middle, as near as its size settles (Qt places a
    // box by the size it first has), far from the screen's.
    ASSERT_EQ(screenSize(), QSize(1366, 768)) << "run under tests/support/with-xvfb --screen 1366x768";
    const QRect over = geometryOf(window);
    const QRect at = geometryOf(box);
    EXPECT_TRUE(over.contains(at)) << at.x() << "," << at.y() << " " << at.width() << "x" << at.height();
    EXPECT_LE((at.center() - over.center()).manhattanLength(), 100);
}
