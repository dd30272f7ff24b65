#include <QApplication>
#include <QMainWindow>

#include "data/SystemTables.h"
#include "platform/system/SingleInstanceGuard.h"
#include "platform/ui/BringToFront.h"

// Until the address book window exists the program opens an empty main
// window. A second start brings the running one to the front and ends.
int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    platform::SingleInstanceGuard guard;
    if (!guard.claim())
        return 0;
    data::EnsureSysdata();
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Quillpost"));
    window.resize(800, 600);
    QObject::connect(&guard, &platform::SingleInstanceGuard::activationRequested, &window,
                     [&window] { platform::BringToFront(&window); });
    window.show();
    return QApplication::exec();
}
