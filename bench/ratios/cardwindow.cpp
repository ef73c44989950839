// The floor for memory: the minimal window (minimalwindow.cpp) showing the
// 22 cards, as any program that shows them must hold them. Each card of
// the benchmark's deck in its current directory (cardimages/card1.jpg to
// card22.jpg) is decoded with libjpeg straight into
// the 32-bit format a pixmap keeps, so that no copy is made on the way, and
// shown in a label of its own. The benchmark starts it with the same
// preloaded probe as the program and takes its peak after its first frame,
// which shows all 22.

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QPixmap>

#include <cstdio> // jpeglib.h needs FILE and size_t declared first
#include <cstdlib>
#include <string>

#include <jpeglib.h>

namespace {

constexpr int Cards = 22;
constexpr int CardsInARow = 6;

// The deck's cards are the benchmark's own files: a broken one ends the
// process, as libjpeg's default error handler does.
QImage decodeCard(const std::string &path)
{
    FILE *file = std::fopen(path.c_str(), "rb");
    if (!file) {
        std::fprintf(stderr, "cannot open %s\n", path.c_str());
        std::exit(1);
    }
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGRX; // Format_RGB32's bytes, the X byte 0xFF
    jpeg_start_decompress(&cinfo);
    QImage card(int(cinfo.output_width), int(cinfo.output_height), QImage::Format_RGB32);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = card.scanLine(int(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(file);
    return card;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QMainWindow window;
    QMenu *menu = window.menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    menu->addAction(QStringLiteral("終了(&X)"), &window, &QWidget::close);
    auto *cards = new QWidget;
    auto *grid = new QGridLayout(cards);
    grid->addWidget(new QLabel(QStringLiteral("正位置・逆位置を区別する")), 0, 0, 1, CardsInARow);
    for (int k = 0; k < Cards; ++k) {
        auto *card = new QLabel;
        card->setPixmap(QPixmap::fromImage(decodeCard("cardimages/card" + std::to_string(k + 1) + ".jpg")));
        grid->addWidget(card, 1 + k / CardsInARow, k % CardsInARow);
    }
    window.setCentralWidget(cards);
    window.resize(700, 880);
    window.show();
    return application.exec();
}
