// The program as a user meets it: a real window in an X server, real clicks,
// wheel turns and keys, and what the screen then shows. SmallScreen runs in
// an X server of a laptop's 1366 x 768, the others in one that holds the
// whole window.

#include "testdeck.h"
#include "workdir.h"

#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include <gtest/gtest.h>

#include <optional>

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
        TestDeck::write();
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
