// くえるみ: a tarot reading with the 22 cards of the Major Arcana.

#include "errorreporter.h"
#include "iconsizes.h"
#include "qttranslation.h"
#include "uranai1.h"

#include <QIcon>

namespace {

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
    application.setWindowIcon(programIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("org.kuerumi.Kuerumi"));
    TForm1 window;
    window.show();
    return application.exec();
}
