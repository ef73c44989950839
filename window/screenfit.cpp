#include "screenfit.h"

namespace {

bool nearlyFits(int whole, int room)
{
    return room >= whole - ScrollSlack;
}

int leastSize(int whole, int room)
{
    return room < whole && nearlyFits(whole, room) ? room : whole;
}

} // namespace

ScreenFit fitOnScreen(QSize whole, QSize available, int scrollBar)
{
    const bool tooWide = !nearlyFits(whole.width(), available.width());
    const bool tooTall = !nearlyFits(whole.height(), available.height());
    if (!tooWide && !tooTall)
        return {whole.boundedTo(available), false};
    const QSize withBars = whole + QSize(tooTall ? scrollBar : 0, tooWide ? scrollBar : 0);
    return {withBars.boundedTo(available), true};
}

QSize clientAreaSize(QSize whole, QSize room)
{
    return {leastSize(whole.width(), room.width()), leastSize(whole.height(), room.height())};
}
