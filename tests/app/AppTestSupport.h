#pragma once
// Helpers of the window tests: acting on a modal dialog once it is shown
// (its exec() blocks the test), and reading where the help window is.
#include <QApplication>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <memory>

#include "platform/help/HelpBrowser.h"
#include "platform/help/HelpWindow.h"

// Runs `act` on the next modal dialog of type T as soon as it is the active
// modal widget. Gives up after about five seconds, so that a dialog that
// never comes fails the test's expectations instead of hanging it.
template <class T>
void WhenModal(std::function<void(T*)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, act, tries] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(dialog);
        } else if (++*tries > 500) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}

// The page the help window shows, or an empty URL when it is closed.
inline QUrl HelpSource()
{
    platform::HelpWindow* window = platform::HelpWindow::instance();
    return window ? window->browser()->source() : QUrl();
}

inline QUrl HelpTopicUrl(int context)
{
    platform::HelpBrowser browser;
    return browser.topicUrl(context);
}

inline void CloseHelp()
{
    delete platform::HelpWindow::instance();
}
