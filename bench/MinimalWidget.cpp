// The yardstick of the start-up benchmark: the least a Qt widget program
// does to show a window of the program's size.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QWidget window;
    window.resize(959, 601);
    window.show();
    return application.exec();
}
