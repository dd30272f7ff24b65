#pragma once
// FontCache: turns the canvas's ReportFont into a QFont and measures text with
// it at the stream resolution (kStreamDpi), without hinting, so that a job's
// line breaks, alignments and clip decisions are the same on every output.
// Arial, Times New Roman and Courier New (and their old short names) are
// drawn by the metric-compatible Liberation fonts; the substitutions are
// registered on first use.
//
// One process-wide cache (instance()); entries live until the process ends.
// Not thread-safe: the program has one thread.
// Requires: a QGuiApplication exists.
#include "platform/print/PrintTypes.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QImage>

#include <memory>

namespace platform {

class FontCache {
public:
    struct Entry {
        QFont font;                                // for drawing; point size as given
        std::unique_ptr<QFontMetricsF> metrics;    // at kStreamDpi, in device pixels
        double ascent = 0;                         // inches
        double descent = 0;                        // inches
    };

    static FontCache& instance();

    // The entry for a font; colour and rotation do not matter here.
    const Entry& entry(const ReportFont& wanted);
    // The width of `text` in inches, measured at kStreamDpi.
    double textWidth(const ReportFont& wanted, const QString& text);

private:
    FontCache();
    QImage device_;  // a 1-pixel image claiming kStreamDpi, for metrics only
    QHash<QString, std::shared_ptr<Entry>> entries_;
    ReportFont lastFont_;  // the wanted of last_, to skip the key for repeated look-ups
    Entry* last_ = nullptr;
};

}  // namespace platform
