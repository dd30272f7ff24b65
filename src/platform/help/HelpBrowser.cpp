#include "platform/help/HelpBrowser.h"

#include <QDesktopServices>
#include <QUrlQuery>

namespace platform {

namespace {

const QString kScheme = QStringLiteral("help");

QString Page(const QString& title, const QString& body)
{
    return QStringLiteral("<html><head><title>%1</title></head><body><h1>%1</h1>%2</body></html>")
        .arg(title.toHtmlEscaped(), body);
}

QString TopicList(const std::vector<HelpTopic>& topics)
{
    QString list = QStringLiteral("<ul>");
    for (const HelpTopic& topic : topics) {
        list += QStringLiteral("<li><a href=\"%1\">%2</a></li>")
                    .arg(QUrl::fromLocalFile(topic.path).toString(QUrl::FullyEncoded).toHtmlEscaped(),
                         topic.title.toHtmlEscaped());
    }
    return list + QStringLiteral("</ul>");
}

QUrl HelpUrl(const QString& page, const QString& item, const QString& value)
{
    QUrl url;
    url.setScheme(kScheme);
    url.setPath(page);
    if (!item.isEmpty()) {
        QUrlQuery query;
        query.addQueryItem(item, value);
        url.setQuery(query);
    }
    return url;
}

}  // namespace

HelpBrowser::HelpBrowser(QWidget* parent) : QTextBrowser(parent)
{
    // QTextBrowser would hand "help:" links to the desktop: links are
    // followed here instead, and only web and mail links leave the program.
    setOpenLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, &HelpBrowser::followLink);
}

void HelpBrowser::followLink(const QUrl& url)
{
    const QString scheme = url.scheme();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https") || scheme == QLatin1String("mailto")) {
        QDesktopServices::openUrl(url);
        return;
    }
    setSource(url, QTextDocument::HtmlResource);
}

void HelpBrowser::refreshTopics()
{
    topics_ = HelpTopics(HelpTopics::DefaultFolder());
}

QUrl HelpBrowser::ContentsUrl()
{
    return HelpUrl(QStringLiteral("contents"), {}, {});
}

QUrl HelpBrowser::SearchUrl(const QString& words)
{
    return HelpUrl(QStringLiteral("search"), QStringLiteral("words"), words);
}

QUrl HelpBrowser::MissingTopicUrl(int context)
{
    return HelpUrl(QStringLiteral("missing"), QStringLiteral("context"), QString::number(context));
}

QUrl HelpBrowser::topicUrl(int context) const
{
    const QString path = topics_.path(context);
    return path.isEmpty() ? MissingTopicUrl(context) : QUrl::fromLocalFile(path);
}

QVariant HelpBrowser::loadResource(int type, const QUrl& name)
{
    if (name.scheme() != kScheme)
        return QTextBrowser::loadResource(type, name);
    const QUrlQuery query(name);
    if (name.path() == QLatin1String("search"))
        return searchPage(query.queryItemValue(QStringLiteral("words"), QUrl::FullyDecoded));
    if (name.path() == QLatin1String("missing"))
        return missingTopicPage(query.queryItemValue(QStringLiteral("context"), QUrl::FullyDecoded));
    return contentsPage();
}

QString HelpBrowser::contentsPage() const
{
    if (topics_.topics().empty())
        return Page(QStringLiteral("Contents"),
                    QStringLiteral("<p>No help topics were found in %1.</p>").arg(topics_.folder().toHtmlEscaped()));
    return Page(QStringLiteral("Contents"), TopicList(topics_.topics()));
}

QString HelpBrowser::searchPage(const QString& words) const
{
    const QString title = QStringLiteral("Search");
    const std::vector<HelpTopic> found = topics_.search(words);
    const QString contents = QStringLiteral("<p><a href=\"help:contents\">Contents</a></p>");
    if (words.trimmed().isEmpty())
        return Page(title, QStringLiteral("<p>Type the words to look for.</p>") + contents);
    if (found.empty())
        return Page(title, QStringLiteral("<p>No topic contains \"%1\".</p>").arg(words.toHtmlEscaped()) + contents);
    return Page(title, QStringLiteral("<p>Topics containing \"%1\":</p>").arg(words.toHtmlEscaped()) +
                           TopicList(found) + contents);
}

QString HelpBrowser::missingTopicPage(const QString& context)
{
    return Page(QStringLiteral("Topic not found"),
                QStringLiteral("<p>There is no help topic for context number %1.</p>"
                               "<p>See the <a href=\"help:contents\">Contents</a> for the topics there are.</p>")
                    .arg(context.toHtmlEscaped()));
}

}  // namespace platform
