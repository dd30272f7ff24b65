#include "app/DialogHelpers.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

#include "platform/ui/FormPlacement.h"
#include "platform/ui/WhatsThis.h"

namespace app {

namespace {

// Turns Enter into a move to the next control. Owned by the edit it watches.
class EnterKeyFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || !widget->window())
            return false;
        // focusNextChild is protected; the window's focus chain is not.
        QWidget* next = widget->nextInFocusChain();
        while (next && next != widget
               && (next->window() != widget->window() || !(next->focusPolicy() & Qt::TabFocus)
                   || !next->isVisibleTo(widget->window()) || !next->isEnabled()))
            next = next->nextInFocusChain();
        if (next && next != widget)
            next->setFocus(Qt::TabFocusReason);
        return true;
    }
};

}  // namespace

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, const QString& help,
                        bool isDefault)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(isDefault);
    button->setDefault(isDefault);
    platform::SetWhatsThis(button, help);
    return button;
}

QToolButton* MakeMouseHelpButton(QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QStringLiteral("MouseHelpButton"));
    button->setIcon(parent->style()->standardIcon(QStyle::SP_TitleBarContextHelpButton));
    button->setToolTip(QStringLiteral("What's this?"));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    platform::SetWhatsThis(button,
                           QStringLiteral("Click here, then click on any part of this window to see what it is for"));
    platform::ConnectMouseHelpButton(button);
    return button;
}

QHBoxLayout* MakeButtonRow(std::initializer_list<QWidget*> buttons, QWidget* mouseHelp)
{
    auto* row = new QHBoxLayout;
    for (QWidget* button : buttons)
        row->addWidget(button);
    row->addStretch();
    row->addWidget(mouseHelp);
    return row;
}

void KeepRoomWhenHidden(QWidget* widget)
{
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

void EnterMovesFocus(QWidget* edit)
{
    edit->installEventFilter(new EnterKeyFilter(edit));
}

void FinishToolDialog(QDialog* dialog)
{
    dialog->setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    dialog->adjustSize();
    dialog->setFixedSize(dialog->size());
    platform::CenterOnMainWindow(dialog);
}

}  // namespace app
