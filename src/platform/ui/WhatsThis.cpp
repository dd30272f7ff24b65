#include "platform/ui/WhatsThis.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWhatsThis>
#include <QWidget>

#include "platform/ui/DisplayText.h"

namespace platform {

namespace {

// Dynamic properties: the plain text as given, whether the menu is
// connected, and (on a window) whether help is suspended.
constexpr char kTextProperty[] = "qpWhatsThisText";
constexpr char kConnectedProperty[] = "qpWhatsThisConnected";
constexpr char kSuspendedProperty[] = "qpWhatsThisSuspended";

// The control's own context menu where it has a useful one.
QMenu* StandardMenu(QWidget* control, const QPoint& pos)
{
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        return edit->createStandardContextMenu();
    if (auto* edit = qobject_cast<QTextEdit*>(control))
        return edit->createStandardContextMenu(pos);
    if (auto* edit = qobject_cast<QPlainTextEdit*>(control))
        return edit->createStandardContextMenu(pos);
    return nullptr;
}

void ShowMenu(QWidget* control, const QPoint& pos)
{
    if (IsWhatsThisSuspended(control))
        return;
    // Scroll areas report the position in their viewport's coordinates.
    QWidget* origin = control;
    if (auto* area = qobject_cast<QAbstractScrollArea*>(control))
        origin = area->viewport();
    const QPoint global = origin->mapToGlobal(pos);

    QMenu* menu = StandardMenu(control, pos);
    if (menu) {
        menu->setParent(control, menu->windowFlags());
        menu->addSeparator();
    } else {
        menu = new QMenu(control);
    }
    menu->setObjectName(QStringLiteral("WhatsThisMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* item = menu->addAction(QStringLiteral("What's this?"));
    item->setObjectName(QStringLiteral("WhatsThisMenuItem"));
    QObject::connect(item, &QAction::triggered, control, [control, global] {
        QWhatsThis::showText(global, control->whatsThis(), control);
    });
    menu->popup(global);
}

}  // namespace

void SetWhatsThis(QWidget* control, const QString& text)
{
    if (!control)
        return;
    control->setProperty(kTextProperty, text);
    // As rich text with every character escaped, so that the text shows
    // exactly as written, line breaks included.
    control->setWhatsThis(Qt::convertFromPlainText(DisplayText(text), Qt::WhiteSpaceNormal));
    if (control->property(kConnectedProperty).toBool())
        return;
    control->setProperty(kConnectedProperty, true);
    control->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(control, &QWidget::customContextMenuRequested, control,
                     [control](const QPoint& pos) { ShowMenu(control, pos); });
}

QString WhatsThisText(const QWidget* control)
{
    return control ? control->property(kTextProperty).toString() : QString();
}

void ConnectMouseHelpButton(QAbstractButton* button)
{
    if (button)
        QObject::connect(button, &QAbstractButton::clicked, button, [] { StartPointerHelp(); });
}

void StartPointerHelp()
{
    if (!QWhatsThis::inWhatsThisMode())
        QWhatsThis::enterWhatsThisMode();
}

void SetWhatsThisSuspended(QWidget* window, bool suspended)
{
    if (window)
        window->setProperty(kSuspendedProperty, suspended);
}

bool IsWhatsThisSuspended(const QWidget* control)
{
    for (const QWidget* widget = control; widget; widget = widget->parentWidget()) {
        if (widget->property(kSuspendedProperty).toBool())
            return true;
    }
    return false;
}

}  // namespace platform
