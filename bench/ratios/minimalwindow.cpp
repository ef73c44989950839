// The floor for start-up and memory: a Qt program with one main window of
// the program's size, a menu and one Japanese label. The benchmark starts it
// with the same preloaded probe as the program.

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QMainWindow window;
    QMenu *menu = window.menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    menu->addAction(QStringLiteral("終了(&X)"), &window, &QWidget::close);
    window.setCentralWidget(new QLabel(QStringLiteral("正位置・逆位置を区別する")));
    window.resize(700, 880);
    window.show();
    return application.exec();
}
