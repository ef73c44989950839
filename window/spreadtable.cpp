#include "spreadtable.h"

#include "uranai1.h"

namespace {

using P = SlotPlace;

const SpreadSlot holyTriangle[] = {
    {Cp932Literal(u8"過去の経過"), {0, 0}},
    {Cp932Literal(u8"現在の状況"), {-250, -200}},
    {Cp932Literal(u8"未来の予想"), {-250, 200}},
};

const SpreadSlot gypsyCross[] = {
    {Cp932Literal(u8"相手の現在の気持ち"), {-225, 0}},
    {Cp932Literal(u8"自分の現在の状況"), {225, 0}},
    {Cp932Literal(u8"対応策"), {0, -225}},
    {Cp932Literal(u8"２人の状況、ライバルの有無"), {0, 225}},
    {Cp932Literal(u8"最終予想"), {0, 0}},
};

const SpreadSlot twoChoices[] = {
    {Cp932Literal(u8"現在の状況"), {0, 0}},
    {Cp932Literal(u8"Aの状況、気持ち"), {-230, -150}},
    {Cp932Literal(u8"Bの状況、気持ち"), {-230, 150}},
    {Cp932Literal(u8"Aの最終予想"), {-460, -250}},
    {Cp932Literal(u8"Bの最終予想"), {-460, 250}},
};

const SpreadSlot hexagram[] = {
    {Cp932Literal(u8"過去"), {-225, 0}},
    {Cp932Literal(u8"現在"), {100, 200}},
    {Cp932Literal(u8"未来"), {100, -200}},
    {Cp932Literal(u8"対応策"), {225, 0}},
    {Cp932Literal(u8"周囲の状況"), {-150, -200}},
    {Cp932Literal(u8"本人の願望"), {-150, 200}},
    {Cp932Literal(u8"最終結果"), {0, 0}},
};

const SpreadSlot celticCross[] = {
    {Cp932Literal(u8"現在の状況"), {0, 0}},
    {Cp932Literal(u8"障害または救助(横向き）"), {25, 172, P::LeftFixed}},
    {Cp932Literal(u8"本人の意志・理想"), {-200, 0}},
    {Cp932Literal(u8"本人の信条・本音"), {200, 0}},
    {Cp932Literal(u8"近い過去の状況"), {0, -170}},
    {Cp932Literal(u8"近い未来の状況"), {0, 170}},
    {Cp932Literal(u8"現在の本人の状況・立場"), {260, 350}},
    {Cp932Literal(u8"周囲の状況・影響"), {-190, 350, P::TopChained}},
    {Cp932Literal(u8"本人の能力の限界"), {-190, 350, P::TopChained}},
    {Cp932Literal(u8"最終予想"), {-190, 350, P::TopChained}},
};

// In the Celtic Cross the first two slots' labels and text boxes stand in a
// column right of the cross, and labels 7 to 10 left of their cards.
const ControlPlace celticMoves[] = {
    {SlotPart::Label, 1, -150, 150, false}, {SlotPart::Edit, 1, -130, 150, false},
    {SlotPart::Label, 2, -100, 150, false}, {SlotPart::Edit, 2, -80, 150, false},
    {SlotPart::Label, 7, 0, -50, true},     {SlotPart::Label, 8, 0, -50, true},
    {SlotPart::Label, 9, 0, -50, true},     {SlotPart::Label, 10, 0, -50, true},
};

} // namespace

const char *prefixOf(SlotPart part)
{
    switch (part) {
    case SlotPart::Label: return "Label";
    case SlotPart::Image: return "Image";
    case SlotPart::Edit: return "Edit";
    }
    return "";
}

const std::array<Spread, SpreadCount> &spreads()
{
    static const std::array<Spread, SpreadCount> table = {{
        {HolyTriangle, Cp932Literal(u8"聖三角スプレッド"), "N6", &TForm1::N6Click, 1, 500, 280, holyTriangle, {}},
        {GypsyCross, Cp932Literal(u8"ジプシーの十字スプレッド"), "N7", &TForm1::N7Click, 5, 350, 280, gypsyCross, {}},
        {TwoChoices, Cp932Literal(u8"二者択一スプレッド"), "N8", &TForm1::N8Click, 1, 600, 280, twoChoices, {}},
        {Hexagram, Cp932Literal(u8"ヘキサグラムスプレッド"), "N9", &TForm1::N9Click, 7, 350, 280, hexagram, {}},
        {CelticCross, Cp932Literal(u8"ケルト十字スプレッド"), "N10", &TForm1::N10Click, 1, 360, 200, celticCross, celticMoves},
    }};
    return table;
}
