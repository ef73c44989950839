// The main of test programs that need a QApplication (widgets, fonts, images).

#include "decoderprocess.h"
#include "errorreporter.h"

#include <gtest/gtest.h>

#include <QtGlobal>

namespace {

// What Qt says on every run of the tests that nobody reading their output
// can act on: the offscreen platform's word that it passes no size hints to
// a window manager it does not have (once for each window sized), nor
// raises a window or grabs the keyboard; and, where the tests run as root
// without a session, where Qt puts the runtime folder it does not use here.
// Every other message, warnings included, is printed as ever.
bool isNoise(QtMsgType type, const QString &message)
{
    static const QLatin1String noise[] = {
        QLatin1String("This plugin does not support propagateSizeHints()"),
        QLatin1String("This plugin does not support raise()"),
        QLatin1String("This plugin does not support grabbing the keyboard"),
    };
    if (type != QtWarningMsg)
        return false;
    for (const QLatin1String &line : noise) {
        if (message == line)
            return true;
    }
    return message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set, defaulting to "));
}

QtMessageHandler printMessage = nullptr;

void printAllButNoise(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (!isNoise(type, message))
        printMessage(type, context, message);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", KUERUMI_OFFSCREEN);
    printMessage = qInstallMessageHandler(printAllButNoise);
    setDecoderProgramForTesting(KUERUMI_DECODER);
    ReportingApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
