#include "uranai1.h"

#include "commandbinding.h"
#include "errorreporter.h"
#include "generator.h"
#include "outersize.h"
#include "spreadtable.h"

TForm1 *Form1 = nullptr;

namespace {

constexpr QSize OuterSize(700, 880);
constexpr int WindowFontPixels = 11;
constexpr int StartSpread = 3; // the Hexagram

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

    setupUi(this);
    move(0, 0);
    centralWidget()->setAutoFillBackground(true);

    createActions();
    // An error while the window starts (a placeholder too large for memory,
    // say) is reported like any other; the window opens all the same.
    runCommand([this] { FormCreate(); });
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
        {"N6", &TForm1::N6Click},
        {"N7", &TForm1::N7Click},
        {"N8", &TForm1::N8Click},
        {"N9", &TForm1::N9Click},
        {"N10", &TForm1::N10Click},
        {"N12", &TForm1::N12Click},
    };
    for (const auto &command : commands) {
        const Handler handler = command.handler;
        bindCommand(control<QObject>(QLatin1String(command.control)), [this, handler] { (this->*handler)(); });
    }
    bindPointerLeave(CheckBox1, [this] { CheckBox1MouseLeave(); });
}

void TForm1::FormCreate()
{
    SeedGenerator();
    setOuterSize(Form1, OuterSize);
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

void TForm1::Button2Click()
{
    close();
}
