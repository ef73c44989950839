// Laying a spread out: its labels, the places of its image boxes, which
// slots show, and the menu mark of the spread shown.

#include "uranai1.h"

#include "imagebox.h"
#include "deckfolder.h"
#include "picturemiss.h"
#include "spreadtable.h"

#include <QLabel>
#include <QLineEdit>

namespace {

constexpr int LabelAboveImage = 20;
constexpr int EditBelowImage = 160;

void setLabelText(QLabel *label, const std::string &cp932Text)
{
    label->setText(CodePage::toQString(cp932Text));
    label->resize(label->sizeHint().width(), label->height()); // the width follows the text
}

// What assistive technology says of an image box that shows the placeholder.
QString cardBackName()
{
    return QStringLiteral("カードの裏面");
}

// Decodes the card back afresh into a box, which takes its size; false,
// with the box as it was, when the back cannot be loaded (the command says
// why once it is over).
bool showBack(ImageBox *box)
{
    const ReplacementRoom room(box->pictureBytes());
    Bitmap back;
    if (!loadCardPicture(PlaceholderPicture, back))
        return false;
    box->setAutoSize(true);
    box->setPicture(std::move(back));
    box->setAccessibleName(cardBackName());
    return true;
}

// Moves a control so that its top-left corner is at (top, left).
void place(QWidget *control, int top, int left)
{
    control->move(left, top);
}

} // namespace

void TForm1::ApplySpread(int index)
{
    // Set from code: the list raises no pick of its own.
    ComboBox1->setCurrentIndex(index);
    const int shown = ComboBox1->currentIndex();
    if (shown < 0 || shown >= SpreadCount)
        return;
    layOutSpread(shown);
}

void TForm1::layOutSpread(int index)
{
    const Spread &spread = spreads()[index];
    setLabelTexts(index);
    if (index == CelticCross) {
        if (!layOutCelticCross())
            return;
    } else {
        placeImages(index);
        ShowSlots(static_cast<int>(spread.positions.size()));
    }
    markSpread(index);
}

void TForm1::setLabelTexts(int index)
{
    const Spread &spread = spreads()[index];
    for (size_t i = 0; i < spread.positions.size(); ++i)
        setLabelText(control<QLabel>("Label", static_cast<int>(i) + 1), spread.positions[i].label);
    // Assistive technology names each text box after its slot's label.
    for (int slot = 1; slot <= SlotCount; ++slot)
        control<QLineEdit>("Edit", slot)->setAccessibleName(control<QLabel>("Label", slot)->text());
}

// Places the anchor, then the other image boxes of the spread from it.
void TForm1::placeImages(int index)
{
    const Spread &spread = spreads()[index];
    auto *anchor = control<ImageBox>("Image", spread.anchorSlot);
    place(anchor, spread.anchorTop, spread.anchorLeft);
    int previousTop = anchor->y();
    for (size_t i = 0; i < spread.positions.size(); ++i) {
        const int slot = static_cast<int>(i) + 1;
        const SlotPlace &at = spread.positions[i].place;
        auto *image = control<ImageBox>("Image", slot);
        if (slot != spread.anchorSlot) {
            switch (at.rule) {
            case SlotPlace::FromAnchor: place(image, anchor->y() + at.top, anchor->x() + at.left); break;
            case SlotPlace::LeftFixed: place(image, anchor->y() + at.top, at.left); break;
            case SlotPlace::TopChained: place(image, previousTop + at.top, anchor->x() + at.left); break;
            }
        }
        previousTop = image->y();
    }
}

// The Celtic Cross: its crossing card is the placeholder turned on its side,
// loaded afresh every time so that it lies sideways exactly once.
bool TForm1::layOutCelticCross()
{
    const Spread &spread = spreads()[CelticCross];
    auto *anchor = control<ImageBox>("Image", spread.anchorSlot);
    place(anchor, spread.anchorTop, spread.anchorLeft);

    auto *crossing = control<ImageBox>("Image", CrossingSlot);
    if (!showBack(crossing))
        return false;
    RotatePicture(crossing, 270);

    placeImages(CelticCross);
    ShowSlots(static_cast<int>(spread.positions.size()));
    for (const ControlPlace &move : spread.moves) {
        const QWidget *from = move.fromOwnImage ? control<ImageBox>("Image", move.slot) : anchor;
        place(control<QWidget>(prefixOf(move.part), move.slot), from->y() + move.top, from->x() + move.left);
    }
    return true;
}

void TForm1::markSpread(int index)
{
    for (const Spread &spread : spreads())
        control<QAction>(QLatin1String(spread.menuItem))->setChecked(false);
    control<QAction>(QLatin1String(spreads()[index].menuItem))->setChecked(true);
}

// Lookup ignores ASCII case; showing slots is the one place that asks for
// the slot's controls by the lower-case prefixes.
void TForm1::ShowSlots(int n)
{
    for (int slot = 1; slot <= n; ++slot) {
        auto *label = control<QLabel>("label", slot);
        auto *image = control<ImageBox>("image", slot);
        auto *edit = control<QLineEdit>("edit", slot);
        label->show();
        place(label, image->y() - LabelAboveImage, image->x());
        edit->show();
        place(edit, image->y() + EditBelowImage, image->x());
        edit->clear();
        image->show();
        image->setAutoSize(true);
    }
    for (int slot = n + 1; slot <= SlotCount; ++slot) {
        control<QLabel>("label", slot)->hide();
        control<QLineEdit>("edit", slot)->hide();
        control<ImageBox>("image", slot)->hide();
    }
}

void TForm1::ResetPictures(int n)
{
    for (int slot = 1; slot <= n; ++slot) {
        if (!showBack(control<ImageBox>("Image", slot)))
            return;
    }
}
