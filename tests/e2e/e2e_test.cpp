// The program as a user meets it: a real window in an X server, a real click,
// and what the screen then shows.

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
        for (int tries = 0; tries < 300 && window.isEmpty() && program.state() == QProcess::Running; ++tries) {
            window = run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--name"),
                                                     QStringLiteral("くえるみ")}).section(QLatin1Char('\n'), 0, 0);
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
    // the font decides. Found where the Hexagram's placeholders line up.
    static std::optional<QPoint> findClientArea(const QImage &shot)
    {
        const auto isPlaceholder = [&shot](int x, int y) {
            return TestDeck::near(shot.pixelColor(x, y), TestDeck::PlaceholderColour);
        };
        for (int menuBar = 1; menuBar < 80; ++menuBar) {
            bool all = true;
            for (const At &at : hexagram) {
                const int top = at.top + menuBar;
                all = all && isPlaceholder(at.left + 5, top) && !isPlaceholder(at.left + 5, top - 1)
                      && !isPlaceholder(at.left - 1, top + 5)
                      && TestDeck::turnOf(card(shot, at, QPoint(0, menuBar)), TestDeck::PlaceholderColour)
                             == TestDeck::Turn::Upright;
            }
            if (all)
                return QPoint(0, menuBar);
        }
        return std::nullopt;
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
        run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("ctrl+a"), QStringLiteral("ctrl+c")});
        pause(200);
        return run(QStringLiteral("xclip"), {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
    }

    ScopedWorkDir dir;
    QProcess program;
    QString window;
};

} // namespace

TEST_F(ProgramOnX, OpensAtItsSizeWithTheHexagramOnScreen)
{
    EXPECT_EQ(outerSize(), QSize(700, 880));
    const QImage shot = screenshot();
    const std::optional<QPoint> client = findClientArea(shot);
    ASSERT_TRUE(client) << "the seven placeholders are not where the Hexagram puts them";
    EXPECT_GT(client->y(), 0) << "the menu bar lies above the client area";
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
