#pragma once

// A main window opened in a work folder that holds a test deck.

#include "imagebox.h"
#include "spreadtable.h"
#include "testdeck.h"
#include "uranai1.h"
#include "workdir.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

class WindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TestDeck::write();
        openWindow();
    }

    void openWindow()
    {
        form = std::make_unique<TForm1>();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        // The window has started once its first frame is out and what
        // waited for that frame has run.
        form->repaint();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    }

    template<typename T>
    T *control(const char *prefix, int slot) const { return form->control<T>(prefix, slot); }
    template<typename T>
    T *control(const char *name) const { return form->control<T>(QLatin1String(name)); }

    QAction *action(const char *name) const { return control<QAction>(name); }
    ImageBox *image(int slot) const { return control<ImageBox>("Image", slot); }
    QLabel *label(int slot) const { return control<QLabel>("Label", slot); }
    QLineEdit *edit(int slot) const { return control<QLineEdit>("Edit", slot); }
    QComboBox *list() const { return control<QComboBox>("ComboBox1"); }
    QWidget *clientArea() const { return control<QWidget>("ClientArea"); }
    QCheckBox *checkBox() const { return control<QCheckBox>("CheckBox1"); }

    // The picture an image box shows, as the screen would show it.
    QImage shown(int slot) const
    {
        const Bitmap *picture = image(slot)->picture();
        return picture ? picture->toQImage() : QImage();
    }

    // Picks a spread in the list as a user does: with the keyboard.
    void pickInList(SpreadName index)
    {
        list()->setFocus();
        while (list()->currentIndex() < index)
            QTest::keyClick(list(), Qt::Key_Down);
        while (list()->currentIndex() > index)
            QTest::keyClick(list(), Qt::Key_Up);
    }

    // The error box that a command raised, as it was shown, and how many
    // boxes followed it. Each box is closed with its OK button from inside
    // its own event loop; a catcher made before the command also catches a
    // box shown while a test waits for something else.
    struct ErrorBox
    {
        bool shown = false;
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        QRect geometry;
        int count = 0; // the boxes shown, this one first
    };
    class ErrorBoxCatcher
    {
    public:
        ErrorBoxCatcher()
        {
            m_poll.setInterval(5);
            QObject::connect(&m_poll, &QTimer::timeout, [this] {
                auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                if (!box)
                    return;
                if (!m_seen.shown)
                    m_seen = {true, box->windowTitle(), box->text(), box->icon(), box->standardButtons(),
                              box->frameGeometry()};
                ++m_seen.count;
                box->button(QMessageBox::Ok)->click(); // hides it at once
            });
            m_poll.start();
        }
        // Waits for the first box; a second one from the same command would
        // be shown as soon as the first is closed.
        ErrorBox wait(int milliseconds)
        {
            (void)QTest::qWaitFor([this] { return m_seen.shown; }, milliseconds);
            QTest::qWait(m_seen.shown ? 200 : 20);
            return m_seen;
        }

    private:
        QTimer m_poll;
        ErrorBox m_seen;
    };
    ErrorBox takeErrorBox(int waitMilliseconds = 3000)
    {
        return ErrorBoxCatcher().wait(waitMilliseconds);
    }

    std::string cp932(const char *utf8) const { return CodePage::fromUtf8(utf8); }

    // The text of the box for a picture file that a reading or spread could
    // not load, named relative to the work folder: it cannot be opened, for
    // the reason given, or, with no reason, it holds no picture.
    QString pictureBoxText(const QString &name, const std::string &cp932Reason = {}) const
    {
        const QString path = QString::fromStdString(dir.path()) + QLatin1Char('/') + name;
        if (cp932Reason.empty())
            return QStringLiteral("ファイル \"") + path + QStringLiteral("\" は画像として読み込めません.");
        return QStringLiteral("ファイル \"") + path + QStringLiteral("\" は開けません。") + CodePage::toQString(cp932Reason)
               + QLatin1Char('.');
    }

    ScopedWorkDir dir;
    std::unique_ptr<TForm1> form;
};
