#include "uranai1.h"

#include "cardpicture.h"
#include "commandbinding.h"
#include "deckfolder.h"
#include "errorreporter.h"
#include "framecachestyle.h"
#include "generator.h"
#include "listaccessible.h"
#include "outersize.h"
#include "picturemiss.h"
#include "screenfit.h"
#include "spreadtable.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QMenuBar>
#include <QProxyStyle>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QStyleOptionComboBox>

#include <algorithm>
#include <functional>

TForm1 *Form1 = nullptr;

namespace {

constexpr QSize OuterSize(700, 880);
constexpr int WindowFontPixels = 11;
constexpr int ListArrowWidth = 13;
constexpr int SmallestListFontPixels = 8;

// Alt alone takes the keyboard to the menu bar and lights its first title,
// whatever the desktop's style says about that; in all else the menu bar
// follows the style.
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

    // Some styles (Fusion among them) light a title only while its menu is
    // open; with the keyboard in the menu bar, its title is lit as if open.
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override
    {
        const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(option);
        if (element == CE_MenuBarItem && item && (item->state & State_Selected) && widget && widget->hasFocus()) {
            QStyleOptionMenuItem lit = *item;
            lit.state |= State_Sunken;
            QProxyStyle::drawControl(element, &lit, painter, widget);
            return;
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

// A drop-down list whose arrow takes at most ListArrowWidth pixels, leaving
// the rest to its text.
class NarrowArrowStyle : public QProxyStyle
{
public:
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex *option, SubControl part,
                         const QWidget *widget) const override
    {
        QRect rect = QProxyStyle::subControlRect(control, option, part, widget);
        if (control != CC_ComboBox || (part != SC_ComboBoxArrow && part != SC_ComboBoxEditField))
            return rect;
        const QRect arrow = QProxyStyle::subControlRect(control, option, SC_ComboBoxArrow, widget);
        const int spare = arrow.width() - ListArrowWidth;
        if (spare <= 0)
            return rect;
        if (part == SC_ComboBoxArrow)
            rect.setLeft(rect.left() + spare);
        else
            rect.setRight(rect.right() + spare);
        return rect;
    }
};

// Calls back whenever a window moves or changes its size, which is also
// when the desktop gives it its frame.
class GeometryWatch : public QObject
{
public:
    GeometryWatch(QWidget *window, std::function<void()> changed) : QObject(window), m_changed(std::move(changed))
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Move || event->type() == QEvent::Resize)
            m_changed();
        return false;
    }

private:
    std::function<void()> m_changed;
};

} // namespace

TForm1::TForm1(QWidget *parent) : QMainWindow(parent)
{
    Form1 = this;
    // Nothing of the window is needed to decode the backs, which FormCreate
    // puts in the slots, still empty: the pool decodes them meanwhile.
    m_backsUnderWay = std::make_unique<CardPictureLoads>(
        std::vector<CardPictureLoad>(SlotCount, CardPictureLoad{PlaceholderPicture, nullptr, false, true}));
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
    shareEditFrames();
    CommandScope::abandonOnClose(this);
    // An error while the window starts (a placeholder too large for memory,
    // say) is reported like any other; the window opens all the same.
    runCommand([this] { runHandler(&TForm1::FormCreate); });
    fitSpreadList();
    widenSpreadListPopup();
}

TForm1::~TForm1()
{
    if (Form1 == this)
        Form1 = nullptr;
}

// A picture that the handler could not load is reported once it is over.
void TForm1::runHandler(Handler handler)
{
    // A command that comes before the first frame finds every back in place.
    if (m_firstOwedBack != 0 && handler != &TForm1::showOwedBacks)
        runCommand([this] { runHandler(&TForm1::showOwedBacks); });
    forgetMissedPicture();
    (this->*handler)();
    reportMissedPicture();
}

void TForm1::createActions()
{
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
        bindCommand(control<QObject>(QLatin1String(name)), [this, handler] { runHandler(handler); });
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

// Every reading gives each slot's box a new text and so repaints its frame:
// the frame is drawn once and copied.
void TForm1::shareEditFrames()
{
    auto *style = new FrameCacheStyle;
    style->setParent(this);
    for (int slot = 1; slot <= SlotCount; ++slot)
        control<QLineEdit>("Edit", slot)->setStyle(style);
}

// The File menu, opened with its first item lit, as Alt and Down open it.
void TForm1::openMenuBar()
{
    menuBar()->setActiveAction(N1->menuAction());
    N1->setActiveAction(N2);
}

// On a screen too small for the whole window, the window takes what the
// screen offers, at its free area's top left.
void TForm1::fitToScreen()
{
    scrollClientArea();
    const QRect available = screen()->availableGeometry();
    const ScreenFit fit = fitOnScreen(OuterSize, available.size(), style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    if (fit.scrolls)
        move(available.topLeft());
    setOuterSize(Form1, fit.outer);
}

// The client area lies in a scroll area, as large as it is in the whole
// window: a window smaller than that, because the screen is or because the
// user made it so, scrolls, and every control keeps its place.
void TForm1::scrollClientArea()
{
    // On its way into the scroll area the client area has no window for a
    // moment; given the window's font and colours as its own, it and its 70
    // controls keep them throughout and lay nothing out again.
    centralWidget()->setFont(font());
    centralWidget()->setPalette(palette());
    QWidget *client = takeCentralWidget();
    auto *scroller = new QScrollArea(this);
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setFocusPolicy(Qt::NoFocus); // no stop of its own in the tab order
    scroller->setWidgetResizable(true);
    scroller->setWidget(client);
    setCentralWidget(scroller);
    sizeClientArea(client);
    new GeometryWatch(this, [this, client] { sizeClientArea(client); });
}

// The whole window's size without its frame, which the desktop may give it
// only once it is shown, and its menu bar: where the window has its whole
// size, or falls short of it only as desktops and scaled screens round,
// nothing scrolls.
void TForm1::sizeClientArea(QWidget *client)
{
    const QSize frame = frameGeometry().size() - geometry().size();
    const QSize menu(0, menuBar()->sizeHint().height());
    client->setMinimumSize(clientAreaSize(OuterSize - frame - menu, size() - menu));
}

// The closed list keeps its declared width and shows every spread's name
// whole: its arrow is narrow, and its font the largest, up to the window's,
// in which the longest name fits beside it.
void TForm1::fitSpreadList()
{
    auto *style = new NarrowArrowStyle;
    style->setParent(ComboBox1);
    ComboBox1->setStyle(style);
    QStyleOptionComboBox option;
    option.initFrom(ComboBox1);
    // The label is drawn a pixel in from either side of the text's field.
    const QRect field = style->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, ComboBox1);
    const int room = field.width() - 2;
    // The widest name at the window's size stays the widest a pixel
    // smaller: only it is measured again as the size steps down.
    QFont font = ComboBox1->font();
    const QFontMetrics metrics(font);
    QString widest;
    int width = 0;
    for (int i = 0; i < ComboBox1->count(); ++i) {
        const int advance = metrics.horizontalAdvance(ComboBox1->itemText(i));
        if (advance > width) {
            width = advance;
            widest = ComboBox1->itemText(i);
        }
    }
    while (font.pixelSize() > SmallestListFontPixels && width > room) {
        font.setPixelSize(font.pixelSize() - 1);
        width = QFontMetrics(font).horizontalAdvance(widest);
    }
    ComboBox1->setFont(font);
}

// Its pop-up shows every spread's name whole.
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
    // As a spread change: the layout follows the backs, even when one of
    // them fails.
    std::exception_ptr error;
    keepFirstError(error, [this] { showBacksBeforeFirstFrame(); });
    if (m_firstOwedBack == 0)
        m_backsUnderWay.reset(); // none owed: what was decoded ahead goes
    ApplySpread(Hexagram);
    if (error)
        std::rethrow_exception(error);
}

void TForm1::ComboBox1Select()
{
    chooseSpread(ComboBox1->currentIndex());
}

void TForm1::N6Click()
{
    chooseSpread(HolyTriangle);
}

void TForm1::N7Click()
{
    chooseSpread(GypsyCross);
}

void TForm1::N8Click()
{
    chooseSpread(TwoChoices);
}

void TForm1::N9Click()
{
    chooseSpread(Hexagram);
}

void TForm1::N10Click()
{
    chooseSpread(CelticCross);
}

// The backs in every slot, then the spread. A back that cannot be made
// stops the backs, not the layout: the window never shows half a spread.
// Every back the spread shows decodes at once, ahead of the steps that put
// them in place.
void TForm1::chooseSpread(int index)
{
    m_backsUnderWay = std::make_unique<CardPictureLoads>(backLoads(SlotCount, index == CelticCross));
    const auto decoded = qScopeGuard([this] { m_backsUnderWay.reset(); });
    std::exception_ptr error;
    keepFirstError(error, [this] { ResetPictures(SlotCount); });
    keepFirstError(error, [this, index] { ApplySpread(index); });
    if (error)
        std::rethrow_exception(error);
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
