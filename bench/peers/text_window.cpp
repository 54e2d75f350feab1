// For reference beside the bare window: the same main window with a one-item menu bar, the least a
// window with any text pays before it appears (the font configuration and one font).
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.menuBar()->addMenu(QStringLiteral("&Файл"));
    window.resize(583, 782);
    window.show();
    return app.exec();
}
