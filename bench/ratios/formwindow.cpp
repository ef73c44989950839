// The peer for start-up and memory: the program's own window as any Qt
// program would make it. The form window/uranai1.ui goes through uic, its
// image boxes plain labels (formpeer/imagebox.h); start-up fills the spread
// list with the spreads' menu items and gives every slot the back, each
// loaded through QPixmap from the same cardimages/cut_tarot_00_150.jpg, and
// shows the seven slots of the first spread, as the program does; the
// show-cards button loads the 22 cards (cardimages/card1.jpg to card22.jpg
// of the benchmark's deck) through QPixmap into the 22 slots. The benchmark
// starts it with the same preloaded probe as the program, which clicks that
// button after the first frame and takes the peak once the window answers
// again.

#include "ui_uranai1.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>

namespace {

constexpr int Slots = 22;
constexpr int ShownSlots = 7;

template<typename T>
T *slotControl(const QMainWindow &window, const char *prefix, int slot)
{
    return window.findChild<T *>(QLatin1String(prefix) + QString::number(slot));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QMainWindow window;
    Ui::TForm1 form;
    form.setupUi(&window);
    for (const QAction *spread : form.N5->actions())
        form.ComboBox1->addItem(spread->text());
    form.ComboBox1->setCurrentIndex(3); // the Hexagram, marked in the menu too
    form.N9->setChecked(true);
    for (int slot = 1; slot <= Slots; ++slot) {
        auto *box = slotControl<QLabel>(window, "Image", slot);
        box->setPixmap(QPixmap(QStringLiteral("cardimages/cut_tarot_00_150.jpg")));
        const bool shown = slot <= ShownSlots;
        box->setVisible(shown);
        slotControl<QLabel>(window, "Label", slot)->setVisible(shown);
        slotControl<QLineEdit>(window, "Edit", slot)->setVisible(shown);
        if (shown)
            slotControl<QLineEdit>(window, "Edit", slot)->clear();
    }
    QObject::connect(form.btn1uranaikaisi, &QPushButton::clicked, &window, [&window] {
        for (int slot = 1; slot <= Slots; ++slot) {
            const QString card = QString::number(slot);
            const QPixmap picture(QStringLiteral("cardimages/card") + card + QStringLiteral(".jpg"));
            slotControl<QLabel>(window, "Image", slot)->setPixmap(picture);
            slotControl<QLineEdit>(window, "Edit", slot)->setText(QStringLiteral("カード") + card);
        }
    });
    window.resize(700, 880);
    window.show();
    return application.exec();
}
