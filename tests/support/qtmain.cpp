// The main of test programs that need a QApplication (widgets, fonts, images).

#include "decoderprocess.h"
#include "errorreporter.h"

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", KUERUMI_OFFSCREEN);
    setDecoderProgramForTesting(KUERUMI_DECODER);
    ReportingApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
