// A stand-in for the program in the single-instance tests. It claims the
// instance named on its command line and reports on stdout, one word a line:
//   "SECOND"     another instance runs and was asked to come forward; exits 0
//   "FIRST"      this is the first instance; it then waits
//   "ACTIVATED"  a later start asked it to come forward; it exits 0 after
//                the number of requests given as the second argument
// Exits 2 when nothing happened within the time limit.
#include <QApplication>
#include <QTextStream>
#include <QTimer>
#include <QWidget>

#include "platform/system/SingleInstanceGuard.h"
#include "platform/ui/BringToFront.h"

namespace {

constexpr int kTimeLimitMs = 20000;

void Say(const char* word)
{
    QTextStream out(stdout);
    out << word << Qt::endl;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2)
        return 3;
    const int wanted = args.size() > 2 ? args.at(2).toInt() : 1;

    platform::SingleInstanceGuard guard(args.at(1));
    if (!guard.claim()) {
        Say("SECOND");
        return 0;
    }
    QWidget window;
    window.showMinimized();
    int requests = 0;
    QObject::connect(&guard, &platform::SingleInstanceGuard::activationRequested, &window, [&] {
        platform::BringToFront(&window);
        Say(window.isMinimized() ? "ACTIVATED-STILL-MINIMIZED" : "ACTIVATED");
        if (++requests >= wanted)
            QCoreApplication::quit();
    });
    QTimer::singleShot(kTimeLimitMs, &app, [] { QCoreApplication::exit(2); });
    Say("FIRST");
    return QCoreApplication::exec();
}
