#include "platform/print/PrintDemo.h"

#include "platform/print/ReportCanvas.h"

#include <QImage>
#include <QPainter>
#include <QStringList>

namespace platform {

namespace {

const char* const kParagraph =
    "Every printed thing in Quillpost - labels, envelopes, reports, the current record and the ZIP code "
    "count - is drawn on one canvas measured in inches from the top-left corner of the paper. A job is "
    "recorded as a stream of pages and then played onto the printer, into a PDF file or onto the preview, "
    "so that what the preview shows is what the paper gets. Text is measured at 600 dots per inch without "
    "hinting, so lines break at the same words everywhere.";

// Breaks `text` into lines no wider than `width` inches in the canvas's font.
QStringList WrapWords(const ReportCanvas& canvas, const QString& text, double width)
{
    QStringList lines;
    QString line;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString candidate = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (!line.isEmpty() && canvas.textWidth(candidate) > width) {
            lines.append(line);
            line = word;
        } else {
            line = candidate;
        }
    }
    if (!line.isEmpty())
        lines.append(line);
    return lines;
}

QImage DemoBitmap()
{
    QImage image(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 4, y * 4, 255 - x * 2));
    }
    QPainter painter(&image);
    painter.setPen(Qt::white);
    painter.drawEllipse(8, 8, 47, 47);
    return image;
}

void TextPage(ReportCanvas& canvas)
{
    canvas.setFont(ReportFont{QStringLiteral("Times New Roman"), 18, true});
    canvas.home();
    canvas.printLn(QStringLiteral("Quillpost printer test page"));
    canvas.setFont(ReportFont{QStringLiteral("Arial"), 10});
    canvas.printRight(QStringLiteral("Page ") + QString::number(canvas.currentPage()), canvas.sectionRight());
    canvas.newLine();
    canvas.newLine();
    const double width = canvas.sectionRight() - canvas.sectionLeft();
    for (const QString& line : WrapWords(canvas, QString::fromLatin1(kParagraph), width))
        canvas.printLn(line);
    canvas.newLine();

    // A table: a shaded heading row with box lines, then plain rows.
    canvas.setPen(Qt::black, PenStyle::Solid, PenWidth::Hundredths(1));
    canvas.clearTabs();
    canvas.addTab(TabColumn{canvas.sectionLeft(), 2.0, Justify::Left, 0.05, kBoxAll, 10});
    canvas.addTab(TabColumn{TabColumn::kAfterPrevious, 2.5, Justify::Center, 0.05, kBoxAll, 10});
    canvas.addTab(TabColumn{TabColumn::kAfterPrevious, 1.5, Justify::Right, 0.05, kBoxAll, 10});
    canvas.setBold(true);
    for (const char* heading : {"Name", "City", "Count"}) {
        canvas.tab();
        canvas.print(QString::fromLatin1(heading));
    }
    canvas.newLine();
    canvas.setBold(false);
    canvas.saveTabs();
    canvas.clearTabs();
    canvas.addTab(TabColumn{canvas.sectionLeft(), 2.0, Justify::Left, 0.05, kBoxLeft | kBoxBottom, 0});
    canvas.addTab(TabColumn{TabColumn::kAfterPrevious, 2.5, Justify::Center, 0.05, kBoxLeft | kBoxBottom, 0});
    canvas.addTab(TabColumn{TabColumn::kAfterPrevious, 1.5, Justify::Right, 0.05, kBoxAll & ~kBoxTop, 5});
    const char* const rows[][3] = {{"Smith, John Q.", "Boston", "1,234"},
                                   {"Miller, Ann", "Springfield", "17"},
                                   {"A name far too long to fit its column", "Portland", "1,234,567"}};
    for (const auto& row : rows) {
        for (const char* cell : row) {
            canvas.tab();
            canvas.print(QString::fromLatin1(cell));
        }
        canvas.newLine();
    }
    canvas.restoreTabs();
    canvas.newLine();
    canvas.print(QStringLiteral("Lines left in the section: ") + QString::number(canvas.linesLeft()));
}

void ShapesPage(ReportCanvas& canvas)
{
    canvas.setFont(ReportFont{QStringLiteral("Arial"), 12, true});
    canvas.home();
    canvas.printLn(QStringLiteral("Shapes, pens, rotated text and a bitmap"));

    canvas.setBrush(QColor(255, 255, 160), BrushStyle::Solid);
    canvas.setPen(Qt::black, PenStyle::Solid, PenWidth::Hundredths(2));
    canvas.rectangle(1.0, 1.5, 3.0, 2.5);
    canvas.setBrush(QColor(160, 220, 255), BrushStyle::Solid);
    canvas.roundRect(3.5, 1.5, 5.5, 2.5, 0.5, 0.5);
    canvas.setBrush(Qt::blue, BrushStyle::DiagonalCross);
    canvas.ellipse(6.0, 1.5, 7.5, 2.5);

    // Pen widths from one device pixel to 1/10 inch, and the pen styles.
    double y = 3.0;
    for (int hundredths : {0, 1, 2, 5, 10}) {
        canvas.setPen(Qt::black, PenStyle::Solid, PenWidth::Hundredths(hundredths));
        canvas.line(1.0, y, 4.0, y);
        y += 0.2;
    }
    y = 3.0;
    for (PenStyle style : {PenStyle::Dash, PenStyle::Dot, PenStyle::DashDot, PenStyle::DashDotDot}) {
        canvas.setPen(Qt::red, style, PenWidth::DevicePixels(1));
        canvas.line(4.5, y, 7.5, y);
        y += 0.2;
    }

    // POSTNET-like bars: 0.015 inch wide, full and half height.
    canvas.setPen(Qt::black, PenStyle::Solid, PenWidth::DevicePixels(1));
    canvas.setBrush(Qt::black, BrushStyle::Solid);
    double x = 1.0;
    for (int bar = 0; bar < 32; ++bar) {
        const bool full = bar == 0 || bar == 31 || bar % 3 == 0;
        canvas.rectangle(x, full ? 4.2 : 4.27, x + 0.015, 4.325);
        x += 0.046;
    }

    // Rotated text, each turned about its own origin.
    canvas.setFont(ReportFont{QStringLiteral("Arial"), 14});
    const QRectF everywhere(0, 0, canvas.pageWidth(), canvas.pageHeight());
    const struct { int angle; double x; double y; } turns[] = {{0, 1.5, 5.5}, {90, 1.5, 8.5}, {180, 5.0, 9.0}, {270, 6.5, 5.5}};
    for (const auto& turn : turns) {
        canvas.setFontRotation(turn.angle);
        canvas.textRect(everywhere, turn.x, turn.y, QStringLiteral("Turned %1 degrees").arg(turn.angle));
    }
    canvas.setFontRotation(0);

    canvas.stretchBitmap(QRectF(QPointF(2.5, 6.0), QPointF(4.0, 7.5)), DemoBitmap());
    canvas.setFont(ReportFont{QStringLiteral("Courier New"), 10});
    canvas.textRect(QRectF(QPointF(2.5, 7.6), QPointF(4.5, 7.8)), 2.5, 7.6, QStringLiteral("A stretched bitmap"));
}

}  // namespace

void SetUpDemoJob(ReportCanvas& canvas)
{
    canvas.setTitle(QStringLiteral("Quillpost printer test page"));
    canvas.setBeforePrint([](ReportCanvas& job) {
        job.reset();
        job.setMargins(0.75, 0.75, 0.75, 0.75);
        job.resetSection();
        job.setStatusFormat(QStringLiteral("Printing Page %p"));
    });
    canvas.setOnPrint([](ReportCanvas& job) {
        TextPage(job);
        job.newPage();
        ShapesPage(job);
    });
    canvas.setOnNewPage(nullptr);
}

}  // namespace platform
