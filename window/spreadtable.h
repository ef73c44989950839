#pragma once

// The spreads: for each, its name, its menu item, its anchor image box
// and where every slot's image box lies relative to the anchor.

#include "codepage.h"

#include <array>
#include <span>

// Where one slot's image box goes.
struct SlotPlace
{
    enum Rule {
        FromAnchor,  // top and left added to the anchor's
        LeftFixed,   // top added to the anchor's; left as it stands
        TopChained,  // top added to the previous slot's; left added to the anchor's
    };
    int top;
    int left;
    Rule rule = FromAnchor;
};

struct SpreadSlot
{
    Cp932Literal label;
    SlotPlace place;
};

// The three controls of a slot; each is found by the window under its
// prefix and the slot's number ("Label7", "Image7", "Edit7").
enum class SlotPart { Label, Image, Edit };
const char *prefixOf(SlotPart part);

// A label or text box that a spread moves away from its image box. The
// moves of a spread's row are made after ShowSlots has put every label and
// text box by its image box, from the image boxes' places as laid out.
struct ControlPlace
{
    SlotPart part;
    int slot;
    int top;
    int left;
    bool fromOwnImage; // relative to its slot's image box, not to the anchor
};

class TForm1;

// The spreads by name, each its entry's place in the table, the list and
// the menu. A new spread takes its place here and in the table, and every
// use follows; nothing names a spread by its number.
enum SpreadName : int { HolyTriangle, GypsyCross, TwoChoices, Hexagram, CelticCross, SpreadCount };

struct Spread
{
    SpreadName id; // its own place in the table
    Cp932Literal name;
    const char *menuItem;
    void (TForm1::*command)(); // what its menu item does
    int anchorSlot;
    int anchorTop;
    int anchorLeft;
    std::span<const SpreadSlot> positions; // slot 1 first
    std::span<const ControlPlace> moves;
};

inline constexpr int CrossingSlot = 2; // the Celtic Cross's card that lies across
inline constexpr int SlotCount = 22;

const std::array<Spread, SpreadCount> &spreads();
