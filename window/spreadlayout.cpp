// Laying a spread out: its labels, the places of its image boxes, which
// slots show, and the menu mark of the spread shown.

#include "uranai1.h"

#include "afterfirstframe.h"
#include "cardpicture.h"
#include "deckfolder.h"
#include "errorreporter.h"
#include "imagebox.h"
#include "pendinglayout.h"
#include "picturemiss.h"
#include "spreadtable.h"

#include <QLabel>
#include <QLineEdit>

#include <chrono>
#include <optional>
#include <utility>

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

// Puts the next of loads of the card back into a box, which takes its
// size; false, with the box as it was, when the back cannot be loaded (the
// command says why once it is over).
bool putBack(ImageBox *box, CardPictureLoads &loads)
{
    Bitmap back;
    if (!loads.takeNext(back, box))
        return false;
    box->setAutoSize(true);
    box->setPicture(std::move(back));
    box->setAccessibleName(cardBackName());
    return true;
}

// How long the window's first frame waits for the backs it shows: a back
// takes well under a millisecond, unless it is a picture that the window
// should not wait for.
constexpr std::chrono::milliseconds StartUpGrace{250};

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
    PendingLayout layout;
    setLabelTexts(index);
    std::exception_ptr error;
    if (index == CelticCross) {
        error = layOutCelticCross(layout);
    } else {
        placeImages(layout, index);
        ShowSlots(layout, static_cast<int>(spread.positions.size()));
    }
    moveControls(layout, index);
    layout.apply();
    markSpread(index);
    if (error)
        std::rethrow_exception(error);
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
void TForm1::placeImages(PendingLayout &layout, int index)
{
    const Spread &spread = spreads()[index];
    auto *anchor = control<ImageBox>("Image", spread.anchorSlot);
    layout.place(anchor, spread.anchorTop, spread.anchorLeft);
    const int anchorTop = layout.topOf(anchor), anchorLeft = layout.leftOf(anchor);
    int previousTop = anchorTop;
    for (size_t i = 0; i < spread.positions.size(); ++i) {
        const int slot = static_cast<int>(i) + 1;
        const SlotPlace &at = spread.positions[i].place;
        auto *image = control<ImageBox>("Image", slot);
        if (slot != spread.anchorSlot) {
            switch (at.rule) {
            case SlotPlace::FromAnchor: layout.place(image, anchorTop + at.top, anchorLeft + at.left); break;
            case SlotPlace::LeftFixed: layout.place(image, anchorTop + at.top, at.left); break;
            case SlotPlace::TopChained: layout.place(image, previousTop + at.top, anchorLeft + at.left); break;
            }
        }
        previousTop = layout.topOf(image);
    }
}

// The Celtic Cross: its crossing card is the placeholder turned on its side,
// loaded afresh every time so that it lies sideways exactly once. Where the
// back cannot be loaded or made, the crossing slot is left empty rather
// than holding a picture upright across the first and the spread is laid
// out whole all the same; the error that kept the back away is returned,
// for the command to tell once the spread is done.
std::exception_ptr TForm1::layOutCelticCross(PendingLayout &layout)
{
    const Spread &spread = spreads()[CelticCross];
    auto *crossing = control<ImageBox>("Image", CrossingSlot);
    std::exception_ptr error;
    bool sideways = false;
    keepFirstError(error, [&] {
        // Decoded ahead with the slots' backs when the spread was chosen,
        // after them; otherwise now.
        std::optional<CardPictureLoads> now;
        CardPictureLoads *back = m_backsUnderWay.get();
        if (back)
            back->skipTo(SlotCount);
        else
            back = &now.emplace(std::vector{CardPictureLoad{PlaceholderPicture, crossing, true}});
        if (putBack(crossing, *back)) {
            RotatePicture(crossing, 270);
            sideways = true;
        }
    });
    if (!sideways) {
        crossing->clearPicture();
        crossing->setAccessibleName(QString());
    }

    placeImages(layout, CelticCross);
    ShowSlots(layout, static_cast<int>(spread.positions.size()));
    return error;
}

// The labels and text boxes that the spread's row moves away from where
// ShowSlots put them, from the places of the image boxes as laid out.
void TForm1::moveControls(PendingLayout &layout, int index)
{
    const Spread &spread = spreads()[index];
    const auto *anchor = control<ImageBox>("Image", spread.anchorSlot);
    for (const ControlPlace &move : spread.moves) {
        const QWidget *from = move.fromOwnImage ? control<ImageBox>("Image", move.slot) : anchor;
        layout.place(control<QWidget>(prefixOf(move.part), move.slot), layout.topOf(from) + move.top,
                     layout.leftOf(from) + move.left);
    }
}

void TForm1::markSpread(int index)
{
    for (const Spread &spread : spreads())
        control<QAction>(QLatin1String(spread.menuItem))->setChecked(false);
    control<QAction>(QLatin1String(spreads()[index].menuItem))->setChecked(true);
}

// Lookup ignores ASCII case; showing slots is the one place that asks for
// the slot's controls by the lower-case prefixes.
void TForm1::ShowSlots(PendingLayout &layout, int n)
{
    for (int slot = 1; slot <= n; ++slot) {
        auto *label = control<QLabel>("label", slot);
        auto *image = control<ImageBox>("image", slot);
        auto *edit = control<QLineEdit>("edit", slot);
        layout.setShown(label, true);
        layout.place(label, layout.topOf(image) - LabelAboveImage, layout.leftOf(image));
        layout.setShown(edit, true);
        layout.place(edit, layout.topOf(image) + EditBelowImage, layout.leftOf(image));
        // Emptying a box that is empty already would repaint it all the same.
        if (!edit->text().isEmpty())
            edit->clear();
        layout.setShown(image, true);
        image->setAutoSize(true);
    }
    for (int slot = n + 1; slot <= SlotCount; ++slot) {
        layout.setShown(control<QLabel>("label", slot), false);
        layout.setShown(control<QLineEdit>("edit", slot), false);
        layout.setShown(control<ImageBox>("image", slot), false);
    }
}

void TForm1::ResetPictures(int n)
{
    // Decoded ahead when a spread was chosen; otherwise now.
    std::optional<CardPictureLoads> now;
    showBacks(m_backsUnderWay ? *m_backsUnderWay : now.emplace(backLoads(n, false)), 1, n);
}

// The loads of the card back for slots 1 to n, each replacing what its slot
// shows, and with crossing one more for the Celtic Cross's crossing card,
// which replaces slot 2's and is turned. The back is decoded once; each
// slot after the first gets a copy of it.
std::vector<CardPictureLoad> TForm1::backLoads(int n, bool crossing) const
{
    std::vector<CardPictureLoad> loads;
    for (int slot = 1; slot <= n; ++slot)
        loads.push_back({PlaceholderPicture, control<ImageBox>("Image", slot), false, true});
    if (crossing)
        loads.push_back({PlaceholderPicture, control<ImageBox>("Image", CrossingSlot), true, true});
    return loads;
}

// Every slot gets the back, but only the Hexagram's show in the first
// frame, and they only if they come soon: every other slot gets it as soon
// as that frame is out, before anything else. The slots are empty until
// then.
void TForm1::showBacksBeforeFirstFrame()
{
    const auto deadline = std::chrono::steady_clock::now() + StartUpGrace;
    const int shown = static_cast<int>(spreads()[Hexagram].positions.size());
    int slot = 1;
    for (; slot <= shown && m_backsUnderWay->nextDoneBy(deadline); ++slot) {
        if (!putBack(control<ImageBox>("Image", slot), *m_backsUnderWay)) {
            m_backsUnderWay.reset();
            return;
        }
    }
    m_firstOwedBack = slot;
    new AfterFirstFrame(this, [this] { runCommand([this] { runHandler(&TForm1::showOwedBacks); }); });
}

void TForm1::showOwedBacks()
{
    if (m_firstOwedBack == 0)
        return;
    const int first = std::exchange(m_firstOwedBack, 0);
    const std::unique_ptr<CardPictureLoads> backs = std::move(m_backsUnderWay);
    showBacks(*backs, first, SlotCount);
}

// The next backs of backs into slots first to last, stopping at the first
// that does not load; false then.
bool TForm1::showBacks(CardPictureLoads &backs, int first, int last)
{
    for (int slot = first; slot <= last; ++slot) {
        if (!putBack(control<ImageBox>("Image", slot), backs))
            return false;
    }
    return true;
}
