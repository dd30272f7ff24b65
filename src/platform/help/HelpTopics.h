#pragma once
// HelpTopics: the help topics on disk. A topic is an HTML file named by its
// context number ("1029.html") whose <title> is its title. The topics are
// read once, when the object is made; make a new one to see changes.
//
// The folder is ProgramDir() + "help/" when that holds topics (an installed
// copy), else the help/ folder of the source tree this program was built
// from (a build run in place, and the tests).
#include <QString>

#include <vector>

namespace platform {

struct HelpTopic {
    int context = 0;
    QString title;
    QString path;
};

class HelpTopics {
public:
    explicit HelpTopics(const QString& folder = DefaultFolder());

    static QString DefaultFolder();

    const QString& folder() const { return folder_; }
    // The topic's file, or an empty string when there is no such topic.
    QString path(int context) const;
    // Every topic, sorted by title.
    const std::vector<HelpTopic>& topics() const { return topics_; }
    // The topics whose title and text hold every word of `words` (ignoring
    // case): those with a word in the title first, each group by title.
    std::vector<HelpTopic> search(const QString& words) const;

private:
    QString folder_;
    std::vector<HelpTopic> topics_;
    std::vector<QString> texts_;  // plain text of topics_[i], for searching
};

}  // namespace platform
