#pragma once
// HelpWindow: the one help window of the program — non-modal, with
// Contents, Back, Forward and a search over the topics' titles and text.
// ShowHelpTopic (Help.h) opens it; there is at most one at a time.
//
// A modal dialog blocks every window that is not its own, so the help window
// is lent to the modal dialog in front (or to the main window) while shown,
// and handed on before that owner hides; it never holds the program open.
// It deletes itself when closed.
// Requires: a QApplication exists.
#include <QPointer>
#include <QWidget>

class QLineEdit;
class QToolButton;

namespace platform {

class HelpBrowser;

class HelpWindow : public QWidget {
    Q_OBJECT

public:
    // The open help window, nullptr when there is none.
    static HelpWindow* instance();
    // Opens (or reuses) the help window on the topic and brings it to the front.
    static HelpWindow* open(int context);

    explicit HelpWindow(QWidget* parent = nullptr);
    ~HelpWindow() override;

    void showTopic(int context);
    void showContents();
    void search(const QString& words);
    HelpBrowser* browser() const { return browser_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void attachTo(QWidget* owner);
    void updateTitle();

    HelpBrowser* browser_ = nullptr;
    QToolButton* contentsButton_ = nullptr;
    QToolButton* backButton_ = nullptr;
    QToolButton* forwardButton_ = nullptr;
    QLineEdit* searchEdit_ = nullptr;
    QToolButton* searchButton_ = nullptr;
    QPointer<QWidget> owner_;
};

}  // namespace platform
