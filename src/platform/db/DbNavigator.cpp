#include "platform/db/DbNavigator.h"

#include <QHBoxLayout>
#include <QStyle>
#include <QToolButton>

#include <exception>

#include "platform/ui/Messages.h"

namespace platform {

namespace {

struct ButtonInfo {
    const char* name;
    const char* text;
    const char* hint;
    QStyle::StandardPixmap icon;
};

const ButtonInfo kButtons[DbNavigator::kButtonCount] = {
    {"NavFirst", "First", "First record", QStyle::SP_MediaSkipBackward},
    {"NavPrior", "Prior", "Prior record", QStyle::SP_MediaSeekBackward},
    {"NavNext", "Next", "Next record", QStyle::SP_MediaSeekForward},
    {"NavLast", "Last", "Last record", QStyle::SP_MediaSkipForward},
    {"NavInsert", "Insert", "Insert record", QStyle::SP_FileDialogNewFolder},
    {"NavDelete", "Delete", "Delete record", QStyle::SP_TrashIcon},
    {"NavEdit", "Edit", "Edit record", QStyle::SP_FileDialogDetailedView},
    {"NavPost", "Post", "Post edit", QStyle::SP_DialogApplyButton},
    {"NavCancel", "Cancel", "Cancel edit", QStyle::SP_DialogCancelButton},
    {"NavRefresh", "Refresh", "Refresh data", QStyle::SP_BrowserReload},
};

DbNavigator::Button buttonAt(int i)
{
    return static_cast<DbNavigator::Button>(1 << i);
}

int slotOf(DbNavigator::Button b)
{
    for (int i = 0; i < DbNavigator::kButtonCount; ++i) {
        if (buttonAt(i) == b)
            return i;
    }
    return 0;
}

}  // namespace

DbNavigator::DbNavigator(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int i = 0; i < kButtonCount; ++i) {
        auto* b = new QToolButton(this);
        const ButtonInfo& info = kButtons[i];
        b->setObjectName(QLatin1String(info.name));
        b->setText(QLatin1String(info.text));
        b->setToolTip(QLatin1String(info.hint));
        b->setAccessibleName(QLatin1String(info.hint));
        b->setIcon(style()->standardIcon(info.icon));
        b->setFocusPolicy(Qt::TabFocus);  // reachable from the keyboard, not stolen by clicks
        Button which = buttonAt(i);
        connect(b, &QToolButton::clicked, this, [this, which] { run(which); });
        layout->addWidget(b);
        buttons_[i] = b;
    }
    updateButtons();
}

void DbNavigator::setDataSource(DataSource* source)
{
    for (auto& c : connections_)
        disconnect(c);
    source_ = source;
    if (source) {
        connections_[0] = connect(source, &DataSource::stateChanged, this, &DbNavigator::updateButtons);
        connections_[1] = connect(source, &DataSource::dataChanged, this, &DbNavigator::updateButtons);
        connections_[2] = connect(source, &QObject::destroyed, this, &DbNavigator::updateButtons);
    }
    updateButtons();
}

void DbNavigator::setVisibleButtons(Buttons buttons)
{
    visible_ = buttons;
    for (int i = 0; i < kButtonCount; ++i)
        buttons_[i]->setVisible(buttons.testFlag(buttonAt(i)));
}

QToolButton* DbNavigator::button(Button which) const
{
    return buttons_[slotOf(which)];
}

void DbNavigator::clickButton(Button which)
{
    QToolButton* b = button(which);
    if (b->isEnabled())
        b->click();
}

void DbNavigator::run(Button which)
{
    DataTable* t = source_ ? source_->dataSet() : nullptr;
    if (!t)
        return;
    try {
        switch (which) {
        case First: t->first(); break;
        case Prior: t->prior(); break;
        case Next: t->next(); break;
        case Last: t->last(); break;
        case Insert: t->insert(); break;
        case Delete:
            if (!confirmDelete_ || AskYesNoDefaultNo(QStringLiteral("Delete record?"), QStringLiteral("Confirm")))
                t->deleteRecord();
            break;
        case Edit: t->edit(); break;
        case Post: t->post(); break;
        case Cancel: t->cancel(); break;
        case Refresh: t->refresh(); break;
        }
    } catch (const std::exception& e) {
        ShowError(QString::fromUtf8(e.what()));
    }
    updateButtons();
    emit clicked(which);
}

void DbNavigator::updateButtons()
{
    DataTable* t = source_ ? source_->dataSet() : nullptr;
    bool active = t && t->isActive();
    bool browse = active && t->state() == DataState::Browse;
    bool editing = active && t->isEditing();
    bool hasRecord = browse && !t->isEmpty();
    bool writable = active && t->canModify();
    auto set = [&](Button b, bool on) { button(b)->setEnabled(on); };
    set(First, hasRecord && !t->bof());
    set(Prior, hasRecord && !t->bof());
    set(Next, hasRecord && !t->eof());
    set(Last, hasRecord && !t->eof());
    set(Insert, browse && writable);
    set(Delete, hasRecord && writable);
    set(Edit, hasRecord && writable);
    set(Post, editing);
    set(Cancel, editing);
    set(Refresh, browse);
}

}  // namespace platform
