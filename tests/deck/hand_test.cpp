#include "generator.h"
#include "hand.h"

#include "codepage.h"

#include <gtest/gtest.h>

namespace {

void numberTheDeck()
{
    for (int k = 0; k < DeckSize; ++k)
        CardTable[k] = {"c" + std::to_string(k), std::to_string(k) + ".jpg"};
}

int cardNumber(const std::string &name)
{
    return std::stoi(name.substr(1));
}

} // namespace

TEST(Generator, KnownSequenceFromZero)
{
    GeneratorState = 0;
    EXPECT_EQ(NextRandom(22), 0);
    EXPECT_EQ(GeneratorState, 1u);
    EXPECT_EQ(NextRandom(21), 0);
    EXPECT_EQ(GeneratorState, 134775814u);
    EXPECT_EQ(NextRandom(20), 17);
    EXPECT_EQ(GeneratorState, 3698175007u);
}

TEST(Generator, BoundsHold)
{
    GeneratorState = 12345;
    for (int i = 0; i < 100000; ++i) {
        const uint32_t before = GeneratorState;
        EXPECT_EQ(NextRandom(1), 0);
        EXPECT_NE(GeneratorState, before);
        const int draw = NextRandom(1023);
        ASSERT_GE(draw, 0);
        ASSERT_LE(draw, 1022);
    }
    // The state whose successor is 0xFFFFFFFF gives the largest draw.
    GeneratorState = 1298181734u; // (0xFFFFFFFF - 1) times the multiplier's inverse modulo 2^32
    EXPECT_EQ(NextRandom(1023), 1022);
}

TEST(Generator, SeedingChangesTheState)
{
    GeneratorState = 0;
    SeedGenerator();
    const uint32_t first = GeneratorState;
    SeedGenerator();
    EXPECT_NE(GeneratorState, first) << "the clock moves between two seeds";
}

TEST(Hand, ShuffleAndDealFromStateZero)
{
    numberTheDeck();
    GeneratorState = 0;
    ShuffleDeck();
    const std::vector<int> expected{0, 1, 19, 6, 8, 16, 11, 9, 13, 14, 10, 5, 12, 20, 7, 17, 21, 18, 3, 2, 15, 4};
    for (int k = 0; k < DeckSize; ++k)
        EXPECT_EQ(cardNumber(CardTable[k].CardName), expected[k]) << k;

    const ReversedFlagArray reversed = DealHand(true);
    const std::string suffix = CodePage::fromUtf8("（逆）");
    for (int k = 0; k < DeckSize; ++k) {
        const bool isReversed = k == 1 || k == 3 || k == 7 || k == 11 || k == 14;
        EXPECT_EQ(reversed[k], isReversed ? 1 : 0) << k;
        const std::string name = "c" + std::to_string(expected[k]);
        EXPECT_EQ(DrawnNames[k], isReversed ? name + suffix : name) << k;
        EXPECT_EQ(DrawnFiles[k], std::to_string(expected[k]) + ".jpg") << k;
    }
    EXPECT_EQ(GeneratorState, 93097076u);
}

TEST(Hand, WithoutReversalNothingIsDrawnOrMarked)
{
    numberTheDeck();
    GeneratorState = 777;
    ShuffleDeck();
    const uint32_t afterShuffle = GeneratorState;
    const ReversedFlagArray reversed = DealHand(false);
    EXPECT_EQ(GeneratorState, afterShuffle);
    for (int k = 0; k < DeckSize; ++k) {
        EXPECT_EQ(reversed[k], 0);
        EXPECT_EQ(DrawnNames[k], CardTable[k].CardName);
    }
    // 22 steps for the shuffle: replaying them lands on the same state.
    uint32_t state = 777;
    for (int i = 0; i < 22; ++i)
        state = state * 134775813u + 1u;
    EXPECT_EQ(afterShuffle, state);
}

TEST(Hand, ShuffleIsAPermutationThroughTheSwapSlot)
{
    numberTheDeck();
    GeneratorState = 42;
    ShuffleDeck();
    std::vector<bool> seen(DeckSize);
    for (int k = 0; k < DeckSize; ++k)
        seen[cardNumber(CardTable[k].CardName)] = true;
    EXPECT_EQ(std::count(seen.begin(), seen.end(), true), DeckSize);
    EXPECT_FALSE(CardTable[SwapSlot].CardName.empty()) << "the swap slot holds the last exchanged card";

    numberTheDeck();
    GeneratorState = 42;
    ShuffleDeck();
    const auto first = CardTable;
    numberTheDeck();
    GeneratorState = 42;
    ShuffleDeck();
    for (int k = 0; k < DeckSize; ++k)
        EXPECT_EQ(CardTable[k].CardName, first[k].CardName);
}

TEST(Hand, ReversedEmptyNameIsTheSuffixAlone)
{
    CardTable.fill({});
    // Find a state whose first deal draw is odd.
    uint32_t state = 0;
    for (;; ++state) {
        GeneratorState = state;
        if (NextRandom(1023) & 1)
            break;
    }
    GeneratorState = state;
    const ReversedFlagArray reversed = DealHand(true);
    EXPECT_EQ(reversed[0], 1);
    EXPECT_EQ(DrawnNames[0], reversedSuffix());
}
