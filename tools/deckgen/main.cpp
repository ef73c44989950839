// deckgen: draws the deck that ships with the program and writes it under the
// folder given (the repository root):
//   cardimages/          the 22 card pictures, the back and carddata.csv
//   app/icons/hicolor/   the application icon at the sizes a desktop asks for
//   docs/deck.png        all cards and the back on one sheet
// Everything is drawn here; the same machine always writes the same files.

#include "appicon.h"
#include "cardface.h"
#include "majorarcana.h"

#include "codepage.h"
#include "deckfolder.h"
#include "iconsizes.h"

#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>

#include <cstdio>
#include <exception>
#include <stdexcept>

namespace {

QString fromName(std::string_view name)
{
    return QString::fromLatin1(name.data(), qsizetype(name.size()));
}

void makeFolderFor(const QString &path)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        throw std::runtime_error("cannot make the folder " + folder.toStdString());
}

// Baseline JPEG without an embedded profile: the colours are plain sRGB, and
// every decoder reads it.
void writeJpeg(const QImage &image, const QString &path)
{
    if (image.colorSpace().isValid())
        throw std::logic_error("a card picture must carry no colour profile");
    makeFolderFor(path);
    QImageWriter writer(path, "jpeg");
    writer.setQuality(95);
    writer.setOptimizedWrite(false);
    writer.setProgressiveScanWrite(false);
    if (!writer.write(image))
        throw std::runtime_error("cannot write " + path.toStdString() + ": " + writer.errorString().toStdString());
}

void writePng(const QImage &image, const QString &path)
{
    makeFolderFor(path);
    QImageWriter writer(path, "png");
    if (!writer.write(image))
        throw std::runtime_error("cannot write " + path.toStdString() + ": " + writer.errorString().toStdString());
}

void writeBytes(const std::string &bytes, const QString &path)
{
    makeFolderFor(path);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size())
        || !file.flush())
        throw std::runtime_error("cannot write " + path.toStdString());
}

// The card list in code page 932 with CR LF line ends, as the program reads it.
std::string cardList()
{
    std::string utf8Text = "カード名,画像ファイル\r\n";
    for (const MajorArcanum &card : MajorArcana) {
        utf8Text += reinterpret_cast<const char *>(card.name);
        utf8Text += ',';
        utf8Text += card.fileName;
        utf8Text += "\r\n";
    }
    const std::string cp932 = CodePage::fromUtf8(utf8Text);
    // fromUtf8 puts "?" for what code page 932 cannot hold; a name must never
    // lose a character on its way into the list.
    if (CodePage::toUtf8(cp932) != utf8Text)
        throw std::runtime_error("a card name has a character that code page 932 cannot hold");
    return cp932;
}

// All cards in their order, eight to a row, with the back last: read back from
// the files written, so the sheet shows exactly what ships.
QImage contactSheet(const QString &cardFolder)
{
    constexpr int Columns = 8, Rows = 3, Gap = 12, Margin = 16;
    QImage sheet(2 * Margin + Columns * CardWidth + (Columns - 1) * Gap,
                 2 * Margin + Rows * CardHeight + (Rows - 1) * Gap, QImage::Format_RGB32);
    sheet.fill(QColor(0x3a, 0x36, 0x48));
    QPainter p(&sheet);
    auto place = [&](int slot, const QString &fileName) {
        QImage card(cardFolder + '/' + fileName);
        if (card.size() != QSize(CardWidth, CardHeight))
            throw std::runtime_error("cannot read back " + fileName.toStdString());
        p.drawImage(Margin + (slot % Columns) * (CardWidth + Gap),
                    Margin + (slot / Columns) * (CardHeight + Gap), card);
    };
    int slot = 0;
    for (const MajorArcanum &card : MajorArcana)
        place(slot++, QString::fromLatin1(card.fileName));
    place(Columns * Rows - 1, fromName(BackPictureName));
    return sheet;
}

void makeDeck(const QString &root)
{
    checkCardFonts();
    const QString cardFolder = root + '/' + fromName(CardFolder);
    for (const MajorArcanum &card : MajorArcana)
        writeJpeg(drawCardFace(card), cardFolder + '/' + QString::fromLatin1(card.fileName));
    writeJpeg(drawCardBack(), cardFolder + '/' + fromName(BackPictureName));
    writeBytes(cardList(), cardFolder + '/' + fromName(CardListName));
    for (int size : IconSizes)
        writePng(drawAppIcon(size), QStringLiteral("%1/app/icons/hicolor/%2x%2/apps/kuerumi.png").arg(root).arg(size));
    writePng(contactSheet(cardFolder), root + "/docs/deck.png");
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: deckgen ROOT\n  writes ROOT/cardimages, ROOT/app/icons and ROOT/docs/deck.png\n");
        return 2;
    }
    try {
        makeDeck(QString::fromLocal8Bit(argv[1]));
    } catch (const std::exception &error) {
        std::fprintf(stderr, "deckgen: %s\n", error.what());
        return 1;
    }
    return 0;
}
