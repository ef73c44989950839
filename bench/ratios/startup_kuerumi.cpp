// The program's own start-up, as app/main.cpp does it, with the first-paint
// probe watching; after the first paint it gives one reading.

#include "errorreporter.h"
#include "firstpaint.h"
#include "uranai1.h"

#include <QPushButton>

int main(int argc, char *argv[])
{
    ReportingApplication application(argc, argv);
    TForm1 window;
    FirstPaintProbe probe(&window, [&window] {
        window.control<QPushButton>(QStringLiteral("btn1uranaikaisi"))->click();
    });
    window.show();
    return application.exec();
}
