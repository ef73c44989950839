#pragma once

// The program's one window: the spreads, the reversal setting and the
// show-cards command, with the 22 slots (image box, label and text box).
// Its controls come from the layout resource uranai1.ui and are named there.

#include "namelookup.h"
#include "ui_uranai1.h"

#include <QMainWindow>

#include <exception>
#include <memory>
#include <vector>

class CardPictureLoads;
struct CardPictureLoad;
class ImageBox;
class PendingLayout;

class TForm1 : public QMainWindow, private Ui::TForm1
{
    Q_OBJECT

public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    // The control or menu item of that name, ASCII case ignored. A name
    // that finds nothing throws LookupError.
    template<typename T>
    T *control(const QString &name) const { return m_controls.get<T>(name); }
    template<typename T>
    T *control(const char *prefix, int slot) const
    {
        return control<T>(QLatin1String(prefix) + QString::number(slot));
    }

    void FormCreate();
    void ComboBox1Select();
    void CheckBox1MouseLeave();
    void CheckBox1KeyToggle();
    void btn1uranaikaisiClick();
    void N6Click();
    void N7Click();
    void N8Click();
    void N9Click();
    void N10Click();
    void N12Click();
    void Button2Click();

private:
    using Handler = void (TForm1::*)();
    void runHandler(Handler handler);
    void createActions();
    void createMenuKeys();
    void shareEditFrames();
    void openMenuBar();
    void fitToScreen();
    void scrollClientArea();
    void sizeClientArea(QWidget *client);
    void fitSpreadList();
    void widenSpreadListPopup();
    void ShowSlots(PendingLayout &layout, int n);
    void ResetPictures(int n);
    bool showBacks(CardPictureLoads &backs, int first, int last);
    std::vector<CardPictureLoad> backLoads(int n, bool crossing) const;
    void showBacksBeforeFirstFrame();
    void showOwedBacks();
    void ApplySpread(int index);
    void RotatePicture(ImageBox *box, int angle);

    void chooseSpread(int index);
    void layOutSpread(int index);
    std::exception_ptr layOutCelticCross(PendingLayout &layout);
    void placeImages(PendingLayout &layout, int index);
    void moveControls(PendingLayout &layout, int index);
    void setLabelTexts(int index);
    void markSpread(int index);

    NameLookup m_controls{this};
    // Backs decoded ahead: every slot's, from the moment the window begins
    // to be made until every slot has it, and while a spread is chosen, the
    // slots' and the Celtic Cross's crossing card's.
    std::unique_ptr<CardPictureLoads> m_backsUnderWay;
    // The first slot still owed its back at start-up; 0 once none is.
    int m_firstOwedBack = 0;
};

// The main window, set as soon as its construction begins.
extern TForm1 *Form1;
