#include "platform/help/HelpWindow.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLineEdit>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/help/HelpBrowser.h"
#include "platform/ui/FormPlacement.h"

namespace platform {

namespace {

QPointer<HelpWindow> g_instance;

const QString kTitle = QStringLiteral("Quillpost Help");

// The window the help window must belong to so that it is not blocked.
QWidget* CurrentOwner(const QWidget* leaving)
{
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != leaving)
        return modal;
    QWidget* main = MainWindow();
    return main != leaving ? main : nullptr;
}

QToolButton* MakeButton(QWidget* parent, const QString& name, const QString& text)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(text);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return button;
}

}  // namespace

HelpWindow* HelpWindow::instance()
{
    return g_instance.data();
}

HelpWindow* HelpWindow::open(int context)
{
    if (!g_instance)
        g_instance = new HelpWindow();
    HelpWindow* window = g_instance.data();
    window->attachTo(CurrentOwner(nullptr));
    window->showTopic(context);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(kTitle);
    resize(560, 480);

    contentsButton_ = MakeButton(this, QStringLiteral("ContentsButton"), QStringLiteral("&Contents"));
    backButton_ = MakeButton(this, QStringLiteral("BackButton"), QStringLiteral("&Back"));
    forwardButton_ = MakeButton(this, QStringLiteral("ForwardButton"), QStringLiteral("&Forward"));
    searchEdit_ = new QLineEdit(this);
    searchEdit_->setObjectName(QStringLiteral("SearchEdit"));
    searchEdit_->setPlaceholderText(QStringLiteral("Search the help"));
    searchButton_ = MakeButton(this, QStringLiteral("SearchButton"), QStringLiteral("&Search"));
    browser_ = new HelpBrowser(this);
    browser_->setObjectName(QStringLiteral("HelpBrowser"));
    backButton_->setEnabled(false);
    forwardButton_->setEnabled(false);

    auto* bar = new QHBoxLayout;
    bar->addWidget(contentsButton_);
    bar->addWidget(backButton_);
    bar->addWidget(forwardButton_);
    bar->addStretch();
    bar->addWidget(searchEdit_);
    bar->addWidget(searchButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(browser_);

    connect(contentsButton_, &QToolButton::clicked, this, &HelpWindow::showContents);
    connect(backButton_, &QToolButton::clicked, browser_, &QTextBrowser::backward);
    connect(forwardButton_, &QToolButton::clicked, browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::backwardAvailable, backButton_, &QToolButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forwardButton_, &QToolButton::setEnabled);
    connect(browser_, &QTextBrowser::sourceChanged, this, &HelpWindow::updateTitle);
    connect(searchButton_, &QToolButton::clicked, this, [this] { search(searchEdit_->text()); });
    connect(searchEdit_, &QLineEdit::returnPressed, this, [this] { search(searchEdit_->text()); });
    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(close, &QShortcut::activated, this, &QWidget::close);
}

HelpWindow::~HelpWindow()
{
    if (owner_)
        owner_->removeEventFilter(this);
}

void HelpWindow::showTopic(int context)
{
    // Topics may have been installed or changed since the window opened.
    browser_->refreshTopics();
    browser_->setSource(browser_->topicUrl(context), QTextDocument::HtmlResource);
}

void HelpWindow::showContents()
{
    browser_->refreshTopics();
    browser_->setSource(HelpBrowser::ContentsUrl(), QTextDocument::HtmlResource);
}

void HelpWindow::search(const QString& words)
{
    browser_->setSource(HelpBrowser::SearchUrl(words), QTextDocument::HtmlResource);
}

void HelpWindow::updateTitle()
{
    const QString topic = browser_->documentTitle();
    setWindowTitle(topic.isEmpty() ? kTitle : kTitle + QStringLiteral(" - ") + topic);
}

void HelpWindow::attachTo(QWidget* owner)
{
    if (owner == this || owner == owner_.data())
        return;
    if (owner_)
        owner_->removeEventFilter(this);
    const bool visible = isVisible();
    const QRect place = geometry();
    setParent(owner, windowFlags());  // stays a window of its own
    setGeometry(place);
    owner_ = owner;
    if (owner_)
        owner_->installEventFilter(this);
    if (visible)
        show();  // a new parent hides a window
}

bool HelpWindow::eventFilter(QObject* watched, QEvent* event)
{
    // The owner closing would take the help window with it: hand it on
    // first. A minimised owner (a spontaneous hide) keeps it.
    if (watched == owner_.data() && event->type() == QEvent::Hide && !event->spontaneous())
        attachTo(CurrentOwner(owner_.data()));
    return QWidget::eventFilter(watched, event);
}

}  // namespace platform
