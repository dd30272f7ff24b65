#pragma once
// GettingStartedPage: the read-only page of the getting-started window — a
// rich-text document (Arial 10 points, the text width of a US letter page
// with 1880-twip side margins) with links shown green and double-underlined.
// Qt's character formats know no double underline: links carry Qt's single
// underline and the page draws the second line below it.
//
// A link's target is its own text; linkClicked gives that text, and
// TGettingStarted turns it into a help context. Links are not followed.
// Requires: a QApplication exists.
#include <QTextBrowser>

namespace app {

class GettingStartedPage : public QTextBrowser {
    Q_OBJECT

public:
    explicit GettingStartedPage(QWidget* parent = nullptr);

    // The texts of the page's links, in document order.
    QStringList linkTexts() const;
    // Where a link is shown, in viewport coordinates (empty when it is not).
    QRect linkRect(const QString& text) const;

signals:
    void linkClicked(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void BuildPage();
    void PageAnchorClicked(const QUrl& url);
};

}  // namespace app
