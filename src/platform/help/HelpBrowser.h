#pragma once
// HelpBrowser: the text browser of the help window. Topic files are shown
// from disk; the pages the program makes itself — the contents, search
// results and the page for a context number without a topic — have URLs of
// the "help:" scheme, so that they take part in Back and Forward like any
// topic. It owns a HelpTopics read when it was made (or last refreshed).
#include <QTextBrowser>

#include "platform/help/HelpTopics.h"

namespace platform {

class HelpBrowser : public QTextBrowser {
    Q_OBJECT

public:
    explicit HelpBrowser(QWidget* parent = nullptr);

    // Reads the topics again from HelpTopics::DefaultFolder().
    void refreshTopics();
    const HelpTopics& topics() const { return topics_; }

    static QUrl ContentsUrl();
    static QUrl SearchUrl(const QString& words);
    static QUrl MissingTopicUrl(int context);
    // The topic's page, or the missing-topic page.
    QUrl topicUrl(int context) const;

    QVariant loadResource(int type, const QUrl& name) override;

private:
    void followLink(const QUrl& url);
    QString contentsPage() const;
    QString searchPage(const QString& words) const;
    static QString missingTopicPage(const QString& context);

    HelpTopics topics_;
};

}  // namespace platform
