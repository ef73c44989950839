// The show-cards command: a new hand from the card list, each card's name
// and picture in its slot, reversed cards upside down and the Celtic Cross's
// crossing card on its side.

#include "uranai1.h"

#include "cardtable.h"
#include "hand.h"
#include "besidewindow.h"
#include "cardpicture.h"
#include "imagebox.h"
#include "quarterturn.h"
#include "spreadtable.h"

#include <QLineEdit>

namespace {

// What assistive technology says of an image box that shows a card: the
// card's text, and which way its picture lies after so many quarter turns
// unless the text says so already. A reversed card's text ends in （逆）,
// which says that it lies upside down; the crossing card reversed lies on
// its side all the same, which its text does not say.
QString cardPictureName(const QString &text, bool reversed, int quarterTurns)
{
    static const QString lies[] = {QStringLiteral("正位置"), QStringLiteral("横向き"), QStringLiteral("逆さま"),
                                   QStringLiteral("横向き")};
    const int way = quarterTurns % 4;
    if (reversed && way == 2)
        return text;
    return text + QStringLiteral("、") + lies[way];
}

} // namespace

void TForm1::btn1uranaikaisiClick()
{
    LoadCardTable();
    ShuffleDeck();
    const ReversedFlagArray reversed = DealHand(CheckBox1->isChecked());
    const bool crossing = ComboBox1->currentIndex() == CelticCross;

    // Every card's picture decodes ahead while the slots are filled in order.
    std::vector<CardPictureLoad> loads;
    for (int i = 0; i < DeckSize; ++i) {
        const int slot = i + 1;
        loads.push_back({cardPath(DrawnFiles[i]), control<ImageBox>("Image", slot),
                         reversed[i] == 1 || (crossing && slot == CrossingSlot)});
    }
    CardPictureLoads pictures(std::move(loads));

    for (int i = 0; i < DeckSize; ++i) {
        const int slot = i + 1;
        const QString text = CodePage::toQString(DrawnNames[i]);
        control<QLineEdit>("Edit", slot)->setText(text);
        auto *image = control<ImageBox>("Image", slot);
        {
            Bitmap working;
            if (!pictures.takeNext(working))
                return; // the reading ends here, and the command says why
            image->setPicture(std::move(working));
        }
        int quarterTurns = 0;
        if (reversed[i] == 1) {
            RotatePicture(image, 180);
            quarterTurns += 2;
        }
        if (crossing && slot == CrossingSlot) {
            RotatePicture(image, 270);
            quarterTurns += 3;
        }
        image->setAccessibleName(cardPictureName(text, reversed[i] == 1, quarterTurns));
    }
}

// Turns the box's picture clockwise by angle degrees; the box's own size says
// how much of the picture is turned.
void TForm1::RotatePicture(ImageBox *box, int angle)
{
    static const Bitmap nothing;
    const Bitmap &picture = box->picture() ? *box->picture() : nothing;
    const int width = box->width(), height = box->height();
    Bitmap turned;
    if (!worthDoingBeside(width, height)) {
        turned = quarterTurn(picture, width, height, angle);
    } else {
        // The job reads the box's own bitmap, which stays as it is until
        // the job is done: the command waits for it, and nothing else
        // begins meanwhile (commandscope.h). Only turned is written, and
        // read once the job is done.
        runBeside([&] { turned = quarterTurn(picture, width, height, angle); });
    }
    box->setPicture(std::move(turned));
}
