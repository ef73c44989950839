#include "screenfit.h"

ScreenFit fitOnScreen(QSize whole, QSize available, int scrollBar)
{
    const bool tooWide = whole.width() > available.width();
    const bool tooTall = whole.height() > available.height();
    if (!tooWide && !tooTall)
        return {whole, false};
    const QSize withBars = whole + QSize(tooTall ? scrollBar : 0, tooWide ? scrollBar : 0);
    return {withBars.boundedTo(available), true};
}
