#include "errorreporter.h"

#include "apperror.h"
#include "codepage.h"

#include <QFileInfo>
#include <QMessageBox>

#include <new>

namespace ErrorReporter {

QString applicationTitle(const QString &programFilePath)
{
    QString name = QFileInfo(programFilePath).fileName();
    name.truncate(name.indexOf(QLatin1Char('.')) < 0 ? name.size() : name.indexOf(QLatin1Char('.')));
    if (name.size() > 1)
        name = name.left(1) + name.mid(1).toLower();
    return name;
}

std::string withFullStop(std::string cp932Message)
{
    // A double-byte character ends in a byte of 0x40 or more, so the last
    // byte alone tells whether the last character sorts after ".".
    if (!cp932Message.empty() && static_cast<unsigned char>(cp932Message.back()) > '.')
        cp932Message += '.';
    return cp932Message;
}

std::string messageOf(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const AppError &appError) {
        return appError.message();
    } catch (const std::bad_alloc &) {
        static const Cp932Literal outOfMemory(u8"メモリが不足しています");
        return outOfMemory;
    } catch (const std::exception &other) {
        return CodePage::fromUtf8(other.what());
    } catch (...) {
        static const Cp932Literal unknown(u8"予期しないエラーが発生しました");
        return unknown;
    }
}

// The window a box stands over: the active one, or else the program's
// window that shows; none while no window shows yet, and the box stands in
// the screen's middle.
QWidget *boxOwner()
{
    if (QWidget *active = QApplication::activeWindow())
        return active;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && window->windowType() == Qt::Window)
            return window;
    }
    return nullptr;
}

void report(std::exception_ptr error)
{
    // The command that failed is over before the box appears.
    CommandScope::afterCommand([error] {
        const QString title = applicationTitle(QCoreApplication::applicationFilePath());
        const QString text = CodePage::toQString(withFullStop(messageOf(error)));
        QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, boxOwner());
        box.exec();
    });
}

} // namespace ErrorReporter

bool ReportingApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ErrorReporter::report(std::current_exception());
        return false;
    }
}
