// くえるみ: a tarot reading with the 22 cards of the Major Arcana.

#include "errorreporter.h"
#include "uranai1.h"

int main(int argc, char *argv[])
{
    ReportingApplication application(argc, argv);
    TForm1 window;
    window.show();
    return application.exec();
}
