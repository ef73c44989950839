#pragma once

// A main window opened in a work folder that holds a test deck.

#include "imagebox.h"
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
    QCheckBox *checkBox() const { return control<QCheckBox>("CheckBox1"); }

    // The picture an image box shows, as the screen would show it.
    QImage shown(int slot) const
    {
        const Bitmap *picture = image(slot)->picture();
        return picture ? picture->toQImage() : QImage();
    }

    // Picks a spread in the list as a user does: with the keyboard.
    void pickInList(int index)
    {
        list()->setFocus();
        while (list()->currentIndex() < index)
            QTest::keyClick(list(), Qt::Key_Down);
        while (list()->currentIndex() > index)
            QTest::keyClick(list(), Qt::Key_Up);
    }

    // The error box that a command raised, as it was shown. The box is
    // closed with its OK button from inside its own event loop; a catcher
    // made before the command also catches a box shown while a test waits
    // for something else.
    struct ErrorBox
    {
        bool shown = false;
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
    };
    class ErrorBoxCatcher
    {
    public:
        ErrorBoxCatcher()
        {
            m_poll.setInterval(5);
            QObject::connect(&m_poll, &QTimer::timeout, [this] {
                auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                if (!box || m_seen.shown)
                    return;
                m_seen = {true, box->windowTitle(), box->text(), box->icon(), box->standardButtons()};
                box->button(QMessageBox::Ok)->click();
            });
            m_poll.start();
        }
        ErrorBox wait(int milliseconds)
        {
            (void)QTest::qWaitFor([this] { return m_seen.shown; }, milliseconds);
            QTest::qWait(20);
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

    ScopedWorkDir dir;
    std::unique_ptr<TForm1> form;
};
