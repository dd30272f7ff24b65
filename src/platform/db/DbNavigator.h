#pragma once
// DbNavigator: a row of buttons that move through and edit the table of a
// data source — first, prior, next, last, insert, delete, edit, post, cancel,
// refresh. Each button is enabled only when its action makes sense in the
// table's state and position. Buttons are named "NavFirst", "NavPrior",
// ... "NavRefresh" for tests and help. Delete asks for confirmation unless
// that is switched off. Failures are shown to the user as errors.
#include <QPointer>
#include <QWidget>

#include "platform/db/DataSource.h"

class QToolButton;

namespace platform {

class DbNavigator : public QWidget {
    Q_OBJECT
public:
    enum Button {
        First = 0x001, Prior = 0x002, Next = 0x004, Last = 0x008, Insert = 0x010,
        Delete = 0x020, Edit = 0x040, Post = 0x080, Cancel = 0x100, Refresh = 0x200,
    };
    Q_DECLARE_FLAGS(Buttons, Button)
    static constexpr int kButtonCount = 10;

    explicit DbNavigator(QWidget* parent = nullptr);

    DataSource* dataSource() const { return source_; }
    void setDataSource(DataSource* source);
    void setVisibleButtons(Buttons buttons);
    Buttons visibleButtons() const { return visible_; }
    void setConfirmDelete(bool on) { confirmDelete_ = on; }
    QToolButton* button(Button which) const;
    // Runs a button's action as a click does (when the button is enabled).
    void clickButton(Button which);

signals:
    // After a button's action ran.
    void clicked(platform::DbNavigator::Button button);

private:
    void run(Button which);
    void updateButtons();

    QPointer<DataSource> source_;
    QToolButton* buttons_[kButtonCount] = {};
    Buttons visible_ = Buttons(0x3FF);
    bool confirmDelete_ = true;
    QMetaObject::Connection connections_[3];
};

Q_DECLARE_OPERATORS_FOR_FLAGS(DbNavigator::Buttons)

}  // namespace platform
