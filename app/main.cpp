// くえるみ: a tarot reading with the 22 cards of the Major Arcana.

#include "afterfirstframe.h"
#include "decoderprocess.h"
#include "errorreporter.h"
#include "iconsizes.h"
#include "pixelmemory.h"
#include "qttranslation.h"
#include "uranai1.h"
#include "workerthread.h"

#include <QIcon>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <iterator>

namespace {

// The icon that the desktop entry also names, at every size it was drawn,
// each read from the program's resources only when something asks for it:
// the window system asks once for the sizes it keeps, and nothing else in
// the program ever does. Qt's own icons decode every file they are given at
// once and keep the pixels for the program's whole run.
class ProgramIconEngine : public QIconEngine
{
public:
    QPixmap pixmap(const QSize &size, QIcon::Mode, QIcon::State) override
    {
        const QPixmap drawn(QStringLiteral(":/icons/%1x%1/apps/kuerumi.png").arg(drawnSize(size)));
        return drawn.size() == size ? drawn
                                    : drawn.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        painter->drawPixmap(rect, pixmap(rect.size(), mode, state));
    }
    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override
    {
        const int side = std::min({drawnSize(size), size.width(), size.height()});
        return QSize(side, side);
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        QList<QSize> sizes;
        for (int side : IconSizes)
            sizes.append(QSize(side, side));
        return sizes;
    }
    QIconEngine *clone() const override { return new ProgramIconEngine; }
    QString key() const override { return QStringLiteral("kuerumi"); }

private:
    // The smallest size drawn that covers the size asked for, or the largest.
    static int drawnSize(const QSize &size)
    {
        for (int side : IconSizes) {
            if (side >= std::max(size.width(), size.height()))
                return side;
        }
        return std::end(IconSizes)[-1];
    }
};

} // namespace

int main(int argc, char *argv[])
{
    PixelMemory::setUpHeap();
    // Each decoding thread's decoder process starts while Qt does: the
    // first backs then need not wait for one.
    Worker::startPool(startDecoderProcess);
    ReportingApplication application(argc, argv);
    installQtTranslation(&application);
    QGuiApplication::setDesktopFileName(QStringLiteral("org.kuerumi.Kuerumi"));
    TForm1 window;
    // The icon is for the desktop's task lists and title bars, which can
    // wait a frame for it; decoding its pictures first would hold up the
    // window.
    new AfterFirstFrame(&window, [&application] { application.setWindowIcon(QIcon(new ProgramIconEngine)); });
    window.show();
    return application.exec();
}
