// The floor for a window program's start: a bare Qt 6 main window of our window's size.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(583, 782);
    window.show();
    return app.exec();
}
