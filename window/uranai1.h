#pragma once

// The program's one window: the spreads, the reversal setting and the
// show-cards command, with the 22 slots (image box, label and text box).
// Its controls come from the layout resource uranai1.ui and are named there.

#include "namelookup.h"
#include "ui_uranai1.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>

class ImageBox;

class TForm1 : public QMainWindow, private Ui::TForm1
{
    Q_OBJECT

public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    // The control or menu item of that name, ASCII case ignored. A name
    // that finds nothing throws LookupError.
    template<typename T>
    T *control(const QString &name) const
    {
        T *found = qobject_cast<T *>(findControl(name));
        if (!found)
            throw LookupError(name.toStdString());
        return found;
    }
    template<typename T>
    T *control(const char *prefix, int slot) const
    {
        return control<T>(QLatin1String(prefix) + QString::number(slot));
    }

    void FormCreate();
    void ComboBox1Select();
    void CheckBox1MouseLeave();
    void btn1uranaikaisiClick();
    void N6Click();
    void N7Click();
    void N8Click();
    void N9Click();
    void N10Click();
    void N12Click();
    void Button2Click();

private:
    QObject *findControl(const QString &name) const;
    void createActions();
    void ShowSlots(int n);
    void ResetPictures(int n);
    void ApplySpread(int index);
    void RotatePicture(ImageBox *box, int angle);

    void layOutSpread(int index);
    bool layOutCelticCross();
    void placeImages(int index);
    void setLabelTexts(int index);
    void markSpread(int index);

    // The window's named descendants under their names with ASCII letters
    // in lower case, filed at the first lookup: the window never renames a
    // control. A name whose control is gone, or that was not filed, is
    // searched for among the descendants.
    mutable QHash<QString, QPointer<QObject>> m_controlsByName;
};

// The main window, set as soon as its construction begins.
extern TForm1 *Form1;
