// くえるみ: a tarot reading with the 22 cards of the Major Arcana.

#include "errorreporter.h"
#include "iconsizes.h"
#include "qttranslation.h"
#include "uranai1.h"

#include <QEvent>
#include <QIcon>

#include <functional>

namespace {

// Runs work once the window's first frame is out. Qt paints a window and
// shows the frame within one event; a call queued from the first paint
// comes when that event is over.
class AfterFirstFrame : public QObject
{
public:
    AfterFirstFrame(QWidget *window, std::function<void()> work) : QObject(window), m_work(std::move(work))
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QMetaObject::invokeMethod(
                this,
                [this] {
                    m_work();
                    deleteLater();
                },
                Qt::QueuedConnection);
        }
        return false;
    }

private:
    std::function<void()> m_work;
};

// The icon that the desktop entry also names, at every size it was drawn.
QIcon programIcon()
{
    QIcon icon;
    for (int size : IconSizes)
        icon.addFile(QStringLiteral(":/icons/%1x%1/apps/kuerumi.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace

int main(int argc, char *argv[])
{
    ReportingApplication application(argc, argv);
    installQtTranslation(&application);
    QGuiApplication::setDesktopFileName(QStringLiteral("org.kuerumi.Kuerumi"));
    TForm1 window;
    // The icon is for the desktop's task lists and title bars, which can
    // wait a frame for it; decoding its pictures first would hold up the
    // window.
    new AfterFirstFrame(&window, [&application] { application.setWindowIcon(programIcon()); });
    window.show();
    return application.exec();
}
