// The show-cards command: a new hand from the card list, each card's name
// and picture in its slot, reversed cards upside down and the Celtic Cross's
// crossing card on its side.

#include "uranai1.h"

#include "cardtable.h"
#include "hand.h"
#include "imagebox.h"
#include "picturefile.h"
#include "quarterturn.h"
#include "spreadtable.h"

#include <QLineEdit>

void TForm1::btn1uranaikaisiClick()
{
    LoadCardTable();
    ShuffleDeck();
    const ReversedFlagArray reversed = DealHand(CheckBox1->isChecked());

    for (int i = 0; i < DeckSize; ++i) {
        const int slot = i + 1;
        control<QLineEdit>("Edit", slot)->setText(CodePage::toQString(DrawnNames[i]));
        auto *image = control<ImageBox>("Image", slot);
        {
            Bitmap working;
            if (!LoadPictureFile(cardPath(DrawnFiles[i]), working))
                return; // a missing picture ends the reading quietly
            image->setPicture(std::move(working));
        }
        if (reversed[i] == 1)
            RotatePicture(image, 180);
        if (ComboBox1->currentIndex() == CelticCross && slot == CrossingSlot)
            RotatePicture(image, 270);
    }
}

// Turns the box's picture clockwise by angle degrees; the box's own size says
// how much of the picture is turned.
void TForm1::RotatePicture(ImageBox *box, int angle)
{
    static const Bitmap nothing;
    const Bitmap *picture = box->picture();
    box->setPicture(quarterTurn(picture ? *picture : nothing, box->width(), box->height(), angle));
}
