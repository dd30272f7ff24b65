#include "platform/print/PageStream.h"

#include <algorithm>

namespace platform {

namespace {

template <typename T>
std::uint32_t InternByValue(std::vector<T>& table, const T& value)
{
    // Tables of pens, brushes and fonts stay small (a job uses a handful), and
    // a recorder interns only when its state changed, so a scan is cheapest.
    const auto found = std::find(table.begin(), table.end(), value);
    if (found != table.end())
        return static_cast<std::uint32_t>(found - table.begin());
    table.push_back(value);
    return static_cast<std::uint32_t>(table.size() - 1);
}

}  // namespace

std::size_t PageStream::memoryBytes() const
{
    std::size_t bytes = sizeof(*this) + pages_.capacity() * sizeof(Page);
    for (const Page& page : pages_) {
        bytes += page.commands_.capacity() * sizeof(PageCommand);
        bytes += page.runs_.capacity() * sizeof(TextRun);
        bytes += page.extras_.capacity() * sizeof(double);
    }
    bytes += pens_.capacity() * sizeof(ReportPen) + brushes_.capacity() * sizeof(ReportBrush);
    bytes += fonts_.capacity() * sizeof(ReportFont);
    bytes += texts_.capacity() * sizeof(QString);
    for (const QString& text : texts_)
        bytes += static_cast<std::size_t>(text.capacity()) * sizeof(QChar) + 16;
    for (const QImage& image : images_)
        bytes += static_cast<std::size_t>(image.sizeInBytes());
    for (const QByteArray& bytesOfFile : metafiles_)
        bytes += static_cast<std::size_t>(bytesOfFile.capacity());
    // A QHash node holds the key, the value and a little bookkeeping.
    bytes += static_cast<std::size_t>(textIndex_.size()) * (sizeof(QString) + 16);
    return bytes;
}

void PageStream::addPage(double width, double height)
{
    if (!pages_.empty()) {
        // The finished page will not grow again: give back its slack.
        Page& last = pages_.back();
        last.commands_.shrink_to_fit();
        last.runs_.shrink_to_fit();
        last.extras_.shrink_to_fit();
    }
    pages_.emplace_back(width, height);
}

void PageStream::add(PageOp op, std::uint32_t ref, double a, double b, double c, double d, std::uint8_t flags)
{
    pages_.back().commands_.push_back(PageCommand{op, flags, ref, a, b, c, d});
}

std::uint32_t PageStream::addRun(const TextRun& run)
{
    std::vector<TextRun>& runs = pages_.back().runs_;
    runs.push_back(run);
    return static_cast<std::uint32_t>(runs.size() - 1);
}

std::uint32_t PageStream::addExtras(double first, double second)
{
    std::vector<double>& extras = pages_.back().extras_;
    extras.push_back(first);
    extras.push_back(second);
    return static_cast<std::uint32_t>(extras.size() - 2);
}

std::uint32_t PageStream::internPen(const ReportPen& pen)
{
    return InternByValue(pens_, pen);
}

std::uint32_t PageStream::internBrush(const ReportBrush& brush)
{
    return InternByValue(brushes_, brush);
}

std::uint32_t PageStream::internFont(const ReportFont& font)
{
    return InternByValue(fonts_, font);
}

std::uint32_t PageStream::internText(const QString& text)
{
    const auto found = textIndex_.constFind(text);
    if (found != textIndex_.constEnd())
        return found.value();
    const auto index = static_cast<std::uint32_t>(texts_.size());
    texts_.push_back(text);
    textIndex_.insert(text, index);
    return index;
}

std::uint32_t PageStream::internImage(const QImage& image)
{
    // The same QImage (or an implicitly shared copy of it) is stored once;
    // equal pictures loaded separately are not compared pixel by pixel.
    const auto found = imageIndex_.constFind(image.cacheKey());
    if (found != imageIndex_.constEnd())
        return found.value();
    const auto index = static_cast<std::uint32_t>(images_.size());
    images_.push_back(image);
    imageIndex_.insert(image.cacheKey(), index);
    return index;
}

std::uint32_t PageStream::internMetafile(const QByteArray& bytes)
{
    for (std::size_t i = 0; i < metafiles_.size(); ++i) {
        if (metafiles_[i].constData() == bytes.constData() || metafiles_[i] == bytes)
            return static_cast<std::uint32_t>(i);
    }
    metafiles_.push_back(bytes);
    return static_cast<std::uint32_t>(metafiles_.size() - 1);
}

std::uint32_t PageStream::addDrawing(std::shared_ptr<const PageDrawing> drawing)
{
    drawings_.push_back(std::move(drawing));
    return static_cast<std::uint32_t>(drawings_.size() - 1);
}

void PageStream::finishRecording()
{
    textIndex_ = {};
    imageIndex_ = {};
    if (!pages_.empty()) {
        Page& last = pages_.back();
        last.commands_.shrink_to_fit();
        last.runs_.shrink_to_fit();
        last.extras_.shrink_to_fit();
    }
}

}  // namespace platform
