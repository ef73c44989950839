#include "uranai1.h"

#include "commandbinding.h"
#include "errorreporter.h"
#include "generator.h"
#include "listaccessible.h"
#include "outersize.h"
#include "screenfit.h"
#include "spreadtable.h"

#include <QAbstractItemView>
#include <QMenuBar>
#include <QProxyStyle>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>

TForm1 *Form1 = nullptr;

namespace {

constexpr QSize OuterSize(700, 880);
constexpr int WindowFontPixels = 11;
constexpr int StartSpread = 3; // the Hexagram

// Alt alone takes the keyboard to the menu bar, whatever the desktop's style
// says about that; in all else the menu bar follows the style.
class MenuBarStyle : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_MenuBar_AltKeyNavigation)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

TForm1::TForm1(QWidget *parent) : QMainWindow(parent)
{
    Form1 = this;
    // Font and colours before the controls, so that each control is made
    // with them instead of laying its text out a second time.
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(WindowFontPixels);
    setFont(font);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, colours.color(QPalette::Button));
    setPalette(colours);
    // Before the list exists, so that assistive technology never reads it
    // any other way.
    installNamedListAccessible();

    setupUi(this);
    move(0, 0);
    centralWidget()->setAutoFillBackground(true);

    createActions();
    createMenuKeys();
    // An error while the window starts (a placeholder too large for memory,
    // say) is reported like any other; the window opens all the same.
    runCommand([this] { FormCreate(); });
    widenSpreadListPopup();
}

TForm1::~TForm1()
{
    if (Form1 == this)
        Form1 = nullptr;
}

void TForm1::createActions()
{
    using Handler = void (TForm1::*)();
    static const struct
    {
        const char *control;
        Handler handler;
    } commands[] = {
        {"btn1uranaikaisi", &TForm1::btn1uranaikaisiClick},
        {"N2", &TForm1::btn1uranaikaisiClick},
        {"Button2", &TForm1::Button2Click},
        {"N3", &TForm1::Button2Click},
        {"ComboBox1", &TForm1::ComboBox1Select},
        {"N12", &TForm1::N12Click},
    };
    const auto bind = [this](const char *name, Handler handler) {
        bindCommand(control<QObject>(QLatin1String(name)), [this, handler] { (this->*handler)(); });
    };
    for (const auto &command : commands)
        bind(command.control, command.handler);
    // Each spread's menu item, as the spread table names it.
    for (const Spread &spread : spreads())
        bind(spread.menuItem, spread.command);
    bindPointerLeave(CheckBox1, [this] { CheckBox1MouseLeave(); });
    bindToggleWithoutPointer(CheckBox1, [this] { CheckBox1KeyToggle(); });
}

// The menus without a mouse, and no menu item with a key of its own: F10
// opens the first menu, Alt alone lights the menu bar, and the arrow keys
// go on from there.
void TForm1::createMenuKeys()
{
    auto *f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(f10, &QShortcut::activated, this, &TForm1::openMenuBar);
    auto *style = new MenuBarStyle;
    style->setParent(menuBar());
    menuBar()->setStyle(style);
}

// The File menu, opened with its first item lit, as Alt and Down open it.
void TForm1::openMenuBar()
{
    menuBar()->setActiveAction(N1->menuAction());
    N1->setActiveAction(N2);
}

// On a screen too small for the whole window, the window takes what the
// screen offers, at its free area's top left, and its client area scrolls.
void TForm1::fitToScreen()
{
    const QRect available = screen()->availableGeometry();
    const ScreenFit fit = fitOnScreen(OuterSize, available.size(), style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    if (fit.scrolls) {
        scrollClientArea();
        move(available.topLeft());
    }
    setOuterSize(Form1, fit.outer);
}

void TForm1::scrollClientArea()
{
    // As large as in the whole window, so that every control keeps its place.
    const QSize clientSize = OuterSize - QSize(0, menuBar()->sizeHint().height());
    QWidget *client = takeCentralWidget();
    client->setMinimumSize(clientSize);
    auto *scroller = new QScrollArea;
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setFocusPolicy(Qt::NoFocus); // no stop of its own in the tab order
    scroller->setWidgetResizable(true);
    scroller->setWidget(client);
    setCentralWidget(scroller);
}

// The closed list keeps its width; its pop-up shows every spread's name whole.
void TForm1::widenSpreadListPopup()
{
    QAbstractItemView *popup = ComboBox1->view();
    popup->setMinimumWidth(popup->sizeHintForColumn(0) + 2 * popup->frameWidth());
}

void TForm1::FormCreate()
{
    SeedGenerator();
    fitToScreen();
    N12->setChecked(CheckBox1->isChecked());
    for (const Spread &spread : spreads())
        ComboBox1->addItem(CodePage::toQString(spread.name.str()));
    ResetPictures(SlotCount);
    ApplySpread(StartSpread);
}

void TForm1::ComboBox1Select()
{
    ResetPictures(SlotCount);
    ApplySpread(ComboBox1->currentIndex());
}

void TForm1::N6Click()
{
    ResetPictures(SlotCount);
    ApplySpread(0);
}

void TForm1::N7Click()
{
    ResetPictures(SlotCount);
    ApplySpread(1);
}

void TForm1::N8Click()
{
    ResetPictures(SlotCount);
    ApplySpread(2);
}

void TForm1::N9Click()
{
    ResetPictures(SlotCount);
    ApplySpread(3);
}

void TForm1::N10Click()
{
    ResetPictures(SlotCount);
    ApplySpread(4);
}

void TForm1::N12Click()
{
    N12->setChecked(!N12->isChecked());
    CheckBox1->setChecked(N12->isChecked());
}

void TForm1::CheckBox1MouseLeave()
{
    N12->setChecked(CheckBox1->isChecked());
}

// A key or assistive technology toggled the box: no pointer is there to
// leave it, so the mark follows at once.
void TForm1::CheckBox1KeyToggle()
{
    N12->setChecked(CheckBox1->isChecked());
}

void TForm1::Button2Click()
{
    close();
}
