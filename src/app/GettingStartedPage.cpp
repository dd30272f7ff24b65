#include "app/GettingStartedPage.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextList>

#include <algorithm>

namespace app {

namespace {

constexpr int kTwipsPerInch = 1440;
constexpr int kPageWidthTwips = 12240;  // US letter
constexpr int kSideMarginTwips = 1880;
constexpr int kMinimumPixelsPerInch = 96;
const QColor kLinkColor(0, 128, 0);

// The text of a page line: plain runs and the words that are links.
struct Run {
    const char* text;
    bool link;
};

QTextCharFormat LinkFormat(const QTextCharFormat& plain, const QString& text)
{
    QTextCharFormat link = plain;
    link.setAnchor(true);
    link.setAnchorHref(text);
    link.setForeground(kLinkColor);
    link.setFontUnderline(true);
    link.setUnderlineColor(kLinkColor);
    return link;
}

void InsertRuns(QTextCursor& cursor, const QTextCharFormat& plain, std::initializer_list<Run> runs)
{
    for (const Run& run : runs) {
        const QString text = QString::fromLatin1(run.text);
        cursor.insertText(text, run.link ? LinkFormat(plain, text) : plain);
    }
}

}  // namespace

GettingStartedPage::GettingStartedPage(QWidget* parent) : QTextBrowser(parent)
{
    setObjectName(QStringLiteral("Page"));
    setReadOnly(true);
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setUndoRedoEnabled(false);

    const int pixelsPerInch = std::max(kMinimumPixelsPerInch, logicalDpiX());
    const int textWidth = (kPageWidthTwips - 2 * kSideMarginTwips) * pixelsPerInch / kTwipsPerInch;
    setLineWrapMode(QTextEdit::FixedPixelWidth);
    setLineWrapColumnOrWidth(textWidth);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const int margin = static_cast<int>(document()->documentMargin());
    setMinimumWidth(textWidth + 2 * (margin + frameWidth()) + verticalScrollBar()->sizeHint().width());

    BuildPage();
    connect(this, &QTextBrowser::anchorClicked, this, &GettingStartedPage::PageAnchorClicked);
}

void GettingStartedPage::BuildPage()
{
    QTextDocument* page = document();
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(10);
    page->setDefaultFont(font);
    page->clear();

    QTextCursor cursor(page);
    QTextCharFormat plain;
    plain.setFont(font);
    QTextBlockFormat paragraph;
    paragraph.setBottomMargin(QFontMetricsF(font).lineSpacing());
    cursor.setBlockFormat(paragraph);

    QTextCharFormat question = plain;
    question.setFontWeight(QFont::Bold);
    question.setFontUnderline(true);
    cursor.insertText(QStringLiteral("\"What do I do now?\""), question);
    cursor.insertText(QStringLiteral(" is a common question when you first start a new program. we want to answer "
                                     "that question for you so you can start enjoying your new program right away!"),
                      plain);

    QTextBlockFormat bullet;
    cursor.insertBlock(bullet, plain);
    QTextListFormat list;
    list.setStyle(QTextListFormat::ListDisc);
    list.setIndent(2);
    cursor.createList(list);
    InsertRuns(cursor, plain, {{"How do I create a ", false}, {"new", true}, {" database?", false}});
    cursor.insertBlock();
    InsertRuns(cursor, plain,
               {{"How do I import records from another program that are in ", false},
                {"dBase", true},
                {" or ", false},
                {"ASCII", true},
                {" comma-delimited format?", false}});
    cursor.insertBlock();
    InsertRuns(cursor, plain, {{"How do I ", false}, {"add", true}, {" a new record?", false}});
    cursor.insertBlock();
    InsertRuns(cursor, plain, {{"How do I ", false}, {"change", true}, {" an existing record?", false}});
    cursor.insertBlock();
    InsertRuns(cursor, plain, {{"How do I ", false}, {"delete", true}, {" an existing record?", false}});
    cursor.insertBlock();
    InsertRuns(cursor, plain, {{"Other ", false}, {"Frequently Asked Questions", true}});

    // The last paragraph leaves the list, with a line of space above it.
    QTextBlockFormat closing = paragraph;
    closing.setTopMargin(QFontMetricsF(font).lineSpacing());
    cursor.insertBlock(closing, plain);
    if (QTextList* current = cursor.currentList())
        current->remove(cursor.block());
    cursor.setBlockFormat(closing);
    cursor.insertText(
        QStringLiteral("Every screen has two Help options. Click on the Help to display the main Help topic for that "
                       "screen. Or, click on the black question mark. Your mouse cursor will turn into a question "
                       "mark and you can click on any screen object you have a question about. You can always come "
                       "back to this screen by clicking Help from the main menu, and then selecting Getting "
                       "Started."),
        plain);
    page->setModified(false);
}

QStringList GettingStartedPage::linkTexts() const
{
    QStringList texts;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.isValid() && fragment.charFormat().isAnchor())
                texts << fragment.text();
        }
    }
    return texts;
}

QRect GettingStartedPage::linkRect(const QString& text) const
{
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid() || !fragment.charFormat().isAnchor() || fragment.text() != text)
                continue;
            QTextCursor cursor(document());
            cursor.setPosition(fragment.position());
            const QRect start = cursorRect(cursor);
            cursor.setPosition(fragment.position() + fragment.length());
            const QRect end = cursorRect(cursor);
            return QRect(start.topLeft(), QPoint(end.left(), start.bottom()));
        }
    }
    return QRect();
}

void GettingStartedPage::paintEvent(QPaintEvent* event)
{
    QTextBrowser::paintEvent(event);

    // The second line of the double underline, one line width below Qt's.
    QPainter painter(viewport());
    painter.translate(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
    const QAbstractTextDocumentLayout* layout = document()->documentLayout();
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        const QTextLayout* lines = block.layout();
        if (!lines)
            continue;
        const QPointF origin = layout->blockBoundingRect(block).topLeft();
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid() || !fragment.charFormat().isAnchor())
                continue;
            const QFontMetricsF metrics(fragment.charFormat().font());
            const qreal width = std::max<qreal>(1.0, metrics.lineWidth());
            painter.setPen(QPen(kLinkColor, width));
            const int start = fragment.position() - block.position();
            const int end = start + fragment.length();
            for (int i = 0; i < lines->lineCount(); ++i) {
                const QTextLine line = lines->lineAt(i);
                const int from = std::max(start, line.textStart());
                const int to = std::min(end, line.textStart() + line.textLength());
                if (from >= to)
                    continue;
                const qreal y = origin.y() + line.y() + line.ascent() + metrics.underlinePos() + 2 * width + 0.5;
                painter.drawLine(QPointF(origin.x() + line.cursorToX(from), y),
                                 QPointF(origin.x() + line.cursorToX(to), y));
            }
        }
    }
}

void GettingStartedPage::PageAnchorClicked(const QUrl& url)
{
    emit linkClicked(url.path(QUrl::FullyDecoded));
}

}  // namespace app
