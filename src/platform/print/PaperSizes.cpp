#include "platform/print/PaperSizes.h"

namespace platform {

namespace {

constexpr double kMm = 1.0 / 25.4;

}  // namespace

const std::vector<PaperInfo>& StandardPapers()
{
    static const std::vector<PaperInfo> papers = {
        {QStringLiteral("Letter"), 1, QSizeF(8.5, 11)},
        {QStringLiteral("Legal"), 5, QSizeF(8.5, 14)},
        {QStringLiteral("Executive"), 7, QSizeF(7.25, 10.5)},
        {QStringLiteral("Tabloid"), 3, QSizeF(11, 17)},
        {QStringLiteral("A3"), 8, QSizeF(297 * kMm, 420 * kMm)},
        {QStringLiteral("A4"), 9, QSizeF(210 * kMm, 297 * kMm)},
        {QStringLiteral("A5"), 11, QSizeF(148 * kMm, 210 * kMm)},
        {QStringLiteral("B5 (JIS)"), 13, QSizeF(182 * kMm, 257 * kMm)},
        {QStringLiteral("Envelope #9"), 19, QSizeF(3.875, 8.875)},
        {QStringLiteral("Envelope #10"), 20, QSizeF(4.125, 9.5)},
        {QStringLiteral("Envelope #11"), 21, QSizeF(4.5, 10.375)},
        {QStringLiteral("Envelope #12"), 22, QSizeF(4.75, 11)},
        {QStringLiteral("Envelope #14"), 23, QSizeF(5, 11.5)},
        {QStringLiteral("Envelope DL"), 27, QSizeF(110 * kMm, 220 * kMm)},
        {QStringLiteral("Envelope C5"), 28, QSizeF(162 * kMm, 229 * kMm)},
        {QStringLiteral("Envelope C4"), 30, QSizeF(229 * kMm, 324 * kMm)},
        {QStringLiteral("Envelope C6"), 31, QSizeF(114 * kMm, 162 * kMm)},
        {QStringLiteral("Envelope C65"), 32, QSizeF(114 * kMm, 229 * kMm)},
        {QStringLiteral("Envelope B4"), 33, QSizeF(250 * kMm, 353 * kMm)},
        {QStringLiteral("Envelope B5"), 34, QSizeF(176 * kMm, 250 * kMm)},
        {QStringLiteral("Envelope B6"), 35, QSizeF(176 * kMm, 125 * kMm)},
        {QStringLiteral("Envelope Italy"), 36, QSizeF(110 * kMm, 230 * kMm)},
        {QStringLiteral("Envelope Monarch"), 37, QSizeF(3.875, 7.5)},
        {QStringLiteral("6 3/4 Envelope"), 38, QSizeF(3.625, 6.5)},
    };
    return papers;
}

std::optional<PaperInfo> StandardPaper(int code)
{
    for (const PaperInfo& paper : StandardPapers()) {
        if (paper.code == code)
            return paper;
    }
    return std::nullopt;
}

PaperInfo PaperFromPageSize(const QPageSize& pageSize)
{
    PaperInfo paper;
    paper.name = pageSize.name();
    paper.code = pageSize.windowsId();
    if (const auto known = StandardPaper(paper.code)) {
        paper.size = known->size;
    } else if (pageSize.definitionUnits() == QPageSize::Millimeter) {
        paper.size = pageSize.definitionSize() * kMm;
    } else if (pageSize.definitionUnits() == QPageSize::Inch) {
        paper.size = pageSize.definitionSize();
    } else {
        paper.size = QSizeF(pageSize.sizePoints()) / 72.0;
    }
    return paper;
}

PaperInfo CustomPaper(double width, double height)
{
    return PaperInfo{QStringLiteral("Custom"), 0, QSizeF(width, height)};
}

}  // namespace platform
