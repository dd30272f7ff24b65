#pragma once
// TGettingStarted: the borderless "Getting Started" window shown at start
// (unless the user asked not to see it) and from the Help menu. Its page
// links to help topics; "Do not show this screen at start up" starts as the
// setting "Misc"/"GettingStarted" and is written back when the window
// closes, however it is closed.
// Requires: a QApplication exists.
#include <QDialog>

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;

namespace app {

class GettingStartedPage;

class TGettingStarted : public QDialog {
    Q_OBJECT

public:
    explicit TGettingStarted(QWidget* parent = nullptr);

    // The help context of a link, by its text in any letter case; 0 for
    // a text that is no link.
    static int LinkContext(const QString& linkText);

    GettingStartedPage* page() const { return Page; }

public slots:
    void done(int result) override;

private:
    void PageLinkClick(const QString& text);

    QFrame* Border;
    QLabel* HeadingLabel;
    GettingStartedPage* Page;
    QCheckBox* DontShowCheckBox;
    QPushButton* OkButton;
};

// Shows TGettingStarted centred over the main window until it is closed.
void ShowGettingStarted(QWidget* parent = nullptr);

}  // namespace app
