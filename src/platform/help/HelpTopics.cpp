#include "platform/help/HelpTopics.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextDocument>

#include <algorithm>
#include <numeric>

#include "platform/system/ProgramDir.h"

namespace platform {

namespace {

bool HasTopics(const QString& folder)
{
    return !QDir(folder).entryList({QStringLiteral("*.html")}, QDir::Files).isEmpty();
}

// The help/ folder of the source tree, given by the build or found from this
// file's own place in it (src/platform/help/).
QString SourceFolder()
{
#ifdef QP_HELP_SOURCE_DIR
    return QDir::cleanPath(QStringLiteral(QP_HELP_SOURCE_DIR)) + QLatin1Char('/');
#else
    const QFileInfo self(QString::fromUtf8(__FILE__));
    return QDir::cleanPath(self.absolutePath() + QStringLiteral("/../../../help")) + QLatin1Char('/');
#endif
}

}  // namespace

QString HelpTopics::DefaultFolder()
{
    const QString installed = ProgramDir() + QStringLiteral("help/");
    return HasTopics(installed) ? installed : SourceFolder();
}

HelpTopics::HelpTopics(const QString& folder) : folder_(folder)
{
    static const QRegularExpression topicName(QStringLiteral("^(\\d+)\\.html$"),
                                              QRegularExpression::CaseInsensitiveOption);
    std::vector<HelpTopic> found;
    std::vector<QString> texts;
    const QDir dir(folder_);
    for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
        const QRegularExpressionMatch match = topicName.match(name);
        bool ok = false;
        const int context = match.hasMatch() ? match.captured(1).toInt(&ok) : 0;
        if (!ok)
            continue;
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString html = QString::fromUtf8(file.readAll());
        QTextDocument document;
        document.setHtml(html);
        QString title = document.metaInformation(QTextDocument::DocumentTitle).simplified();
        if (title.isEmpty())
            title = QStringLiteral("Topic %1").arg(context);
        found.push_back({context, title, dir.filePath(name)});
        texts.push_back(document.toPlainText());
    }
    std::vector<size_t> order(found.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(), [&found](size_t a, size_t b) {
        return found[a].title.compare(found[b].title, Qt::CaseInsensitive) < 0;
    });
    for (const size_t i : order) {
        topics_.push_back(found[i]);
        texts_.push_back(texts[i]);
    }
}

QString HelpTopics::path(int context) const
{
    for (const HelpTopic& topic : topics_) {
        if (topic.context == context)
            return topic.path;
    }
    return {};
}

std::vector<HelpTopic> HelpTopics::search(const QString& words) const
{
    const QStringList wanted = words.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    std::vector<HelpTopic> inTitle;
    std::vector<HelpTopic> inText;
    if (wanted.isEmpty())
        return inTitle;
    for (size_t i = 0; i < topics_.size(); ++i) {
        const QString& title = topics_[i].title;
        bool all = true;
        bool titled = false;
        for (const QString& word : wanted) {
            const bool titleHas = title.contains(word, Qt::CaseInsensitive);
            titled = titled || titleHas;
            if (!titleHas && !texts_[i].contains(word, Qt::CaseInsensitive)) {
                all = false;
                break;
            }
        }
        if (all)
            (titled ? inTitle : inText).push_back(topics_[i]);
    }
    inTitle.insert(inTitle.end(), inText.begin(), inText.end());
    return inTitle;
}

}  // namespace platform
