#include "platform/print/FontCache.h"

#include <cmath>

namespace platform {

namespace {

void RegisterSubstitutions()
{
    // Stored layouts name the Windows core fonts; the Liberation fonts have
    // the same metrics, so text breaks and aligns as it did there.
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Helvetica"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"));
    QFont::insertSubstitution(QStringLiteral("Times"), QStringLiteral("Liberation Serif"));
    QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
    QFont::insertSubstitution(QStringLiteral("Courier"), QStringLiteral("Liberation Mono"));
}

bool SameMetricsFont(const ReportFont& a, const ReportFont& b)
{
    return a.size == b.size && a.bold == b.bold && a.italic == b.italic && a.underline == b.underline
        && a.name == b.name;
}

}  // namespace

FontCache& FontCache::instance()
{
    static FontCache cache;
    return cache;
}

FontCache::FontCache() : device_(1, 1, QImage::Format_RGB32)
{
    RegisterSubstitutions();
    const int dotsPerMeter = static_cast<int>(std::lround(kStreamDpi / 0.0254));
    device_.setDotsPerMeterX(dotsPerMeter);
    device_.setDotsPerMeterY(dotsPerMeter);
}

const FontCache::Entry& FontCache::entry(const ReportFont& wanted)
{
    if (last_ && SameMetricsFont(wanted, lastFont_))
        return *last_;
    const QString key = wanted.name + QLatin1Char('|') + QString::number(wanted.size, 'g', 17)
        + QLatin1Char('|') + QLatin1Char(wanted.bold ? 'b' : '-') + QLatin1Char(wanted.italic ? 'i' : '-')
        + QLatin1Char(wanted.underline ? 'u' : '-');
    std::shared_ptr<Entry>& slot = entries_[key];
    if (!slot) {
        slot = std::make_shared<Entry>();
        QFont font(wanted.name);
        font.setPointSizeF(wanted.size > 0 ? wanted.size : 1.0);
        font.setBold(wanted.bold);
        font.setItalic(wanted.italic);
        font.setUnderline(wanted.underline);
        // Unhinted outlines scale linearly, so a width measured here holds
        // at any printer or screen resolution.
        font.setHintingPreference(QFont::PreferNoHinting);
        slot->font = font;
        slot->metrics = std::make_unique<QFontMetricsF>(font, &device_);
        slot->ascent = slot->metrics->ascent() / kStreamDpi;
        slot->descent = slot->metrics->descent() / kStreamDpi;
    }
    last_ = slot.get();
    lastFont_ = wanted;
    return *last_;
}

double FontCache::textWidth(const ReportFont& wanted, const QString& text)
{
    if (text.isEmpty())
        return 0.0;
    return entry(wanted).metrics->horizontalAdvance(text) / kStreamDpi;
}

}  // namespace platform
