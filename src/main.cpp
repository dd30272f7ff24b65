#include <QApplication>
#include <QMainWindow>

// Until the address book window exists the program opens an empty main window.
int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Quillpost"));
    window.resize(800, 600);
    window.show();
    return QApplication::exec();
}
