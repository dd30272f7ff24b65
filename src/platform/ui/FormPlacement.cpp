#include "platform/ui/FormPlacement.h"

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>

#include <algorithm>

#include "platform/system/IniFile.h"
#include "platform/system/SettingsFile.h"

namespace platform {

namespace {

// Layout geometry is drawn for 96 dots per inch; placements made at other
// resolutions are kept apart from it.
constexpr int kBaseDotsPerInch = 96;

QPointer<QWidget> g_mainWindow;

QString ClassName(const QWidget* window)
{
    QString name = QString::fromLatin1(window->metaObject()->className());
    const qsizetype colons = name.lastIndexOf(QLatin1String("::"));
    if (colons >= 0)
        name = name.mid(colons + 2);
    return name;
}

QScreen* ScreenOf(const QWidget* window)
{
    if (QScreen* screen = window->screen())
        return screen;
    return QGuiApplication::primaryScreen();
}

// The screen that holds the largest part of `rect`; nullptr when none does.
QScreen* ScreenHolding(const QRect& rect)
{
    QScreen* best = nullptr;
    qint64 bestArea = 0;
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect common = screen->geometry().intersected(rect);
        const qint64 area = qint64(common.width()) * common.height();
        if (!common.isEmpty() && area > bestArea) {
            best = screen;
            bestArea = area;
        }
    }
    return best;
}

// Windows with a maximise button get the system menu too.
void AddSystemMenu(QWidget* window)
{
    const Qt::WindowFlags flags = window->windowFlags();
    if (!(flags & Qt::WindowMaximizeButtonHint) || (flags & Qt::WindowSystemMenuHint))
        return;
    const bool visible = window->isVisible();
    window->setWindowFlag(Qt::WindowSystemMenuHint, true);
    if (visible)
        window->show();  // changing the flags hides a window
}

}  // namespace

QString PlacementSection(const QString& className, int dotsPerInch)
{
    QString section = className + QStringLiteral("_Placement");
    if (dotsPerInch > kBaseDotsPerInch)
        section += QString::number(dotsPerInch);
    return section;
}

QString PlacementSection(const QWidget* window)
{
    const QScreen* screen = ScreenOf(window);
    const int dotsPerInch = screen ? qRound(screen->logicalDotsPerInch()) : kBaseDotsPerInch;
    return PlacementSection(ClassName(window), dotsPerInch);
}

void SetMainWindow(QWidget* window)
{
    g_mainWindow = window;
}

QWidget* MainWindow()
{
    return g_mainWindow.data();
}

void RestoreFormPlacement(QWidget* window)
{
    if (!window)
        return;
    const IniFile settings(SettingsFile());
    const QString section = PlacementSection(window);
    const int left = settings.readInteger(section, QStringLiteral("Left"), 0);
    const int top = settings.readInteger(section, QStringLiteral("Top"), 0);
    const int right = settings.readInteger(section, QStringLiteral("Right"), 0);
    const int bottom = settings.readInteger(section, QStringLiteral("Bottom"), 0);
    const bool maximized = settings.readBool(section, QStringLiteral("Maximized"), window->isMaximized());

    // The rectangle below is the normal one; a window that is maximised now
    // takes it only once restored.
    if (window->isMaximized())
        window->setWindowState(window->windowState() & ~Qt::WindowMaximized);

    // Bottom 0 means nothing was stored yet. An empty or inverted rectangle,
    // or one on a screen that is no longer there, would put the window out
    // of reach: it is centred instead.
    QScreen* screen = nullptr;
    QRect rect(left, top, right - left, bottom - top);
    if (bottom != 0 && right > left && bottom > top)
        screen = ScreenHolding(rect);
    if (screen) {
        // Pulled back inside the right and bottom edges, keeping the size;
        // a left or top before the screen's edge stays as stored.
        const QRect area = screen->geometry();
        const int screenRight = area.x() + area.width();
        const int screenBottom = area.y() + area.height();
        if (right > screenRight)
            rect.translate(screenRight - right, 0);
        if (bottom > screenBottom)
            rect.translate(0, screenBottom - bottom);
        window->setGeometry(rect);
    } else {
        CenterOnMainWindow(window);
    }

    if (maximized)
        window->setWindowState(window->windowState() | Qt::WindowMaximized);
    SaveFormPlacement(window);
}

void SaveFormPlacement(QWidget* window)
{
    if (!window)
        return;
    IniFile settings(SettingsFile());
    const QString section = PlacementSection(window);
    // While maximised, the normal geometry is the rectangle it returns to.
    const QRect normal = window->normalGeometry();
    settings.writeInteger(section, QStringLiteral("Left"), normal.x());
    settings.writeInteger(section, QStringLiteral("Top"), normal.y());
    settings.writeInteger(section, QStringLiteral("Right"), normal.x() + normal.width());
    settings.writeInteger(section, QStringLiteral("Bottom"), normal.y() + normal.height());
    settings.writeBool(section, QStringLiteral("Maximized"), window->isMaximized());
}

void CenterOnMainWindow(QWidget* window)
{
    if (!window)
        return;
    AddSystemMenu(window);
    // A window not yet shown nor sized still has the default size; its
    // layout gives the size it will be shown with.
    if (!window->isVisible() && !window->testAttribute(Qt::WA_Resized))
        window->adjustSize();
    const QSize size = window->size();

    const QWidget* main = g_mainWindow.data();
    QRect over;
    QScreen* screen = nullptr;
    if (!main || main == window || main->isMaximized()) {
        screen = ScreenOf(main ? main : window);
        over = screen ? screen->geometry() : QRect(QPoint(0, 0), size);
    } else {
        over = main->geometry();
        screen = ScreenOf(main);
    }
    // Integer division truncates toward zero, as intended for a window
    // larger than the one it is centred over.
    int left = over.x() + (over.width() - size.width()) / 2;
    int top = over.y() + (over.height() - size.height()) / 2;

    // A title bar above or left of the screen could not be grabbed again.
    if (screen) {
        const QRect area = screen->geometry();
        left = std::max(left, area.x());
        top = std::max(top, area.y());
    }
    window->setGeometry(QRect(QPoint(left, top), size));
}

}  // namespace platform
