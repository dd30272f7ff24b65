#include "app/TGettingStarted.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

#include "app/DialogHelpers.h"
#include "app/GettingStartedPage.h"
#include "data/Preferences.h"
#include "platform/help/Help.h"
#include "platform/ui/FormPlacement.h"
#include "platform/ui/WhatsThis.h"

namespace app {

namespace {

const std::pair<const char*, int> kLinkContexts[] = {
    {"NEW", 1037},
    {"DBASE", 1021},
    {"ASCII", 1023},
    {"ADD", 1030},
    {"CHANGE", 1030},
    {"FIND", 1026},
    {"DELETE", 2099},
    {"TECHNICAL SUPPORT", 1015},
    {"FREQUENTLY ASKED QUESTIONS", 2098},
};

}  // namespace

TGettingStarted::TGettingStarted(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("GettingStarted"));
    setWindowTitle(QStringLiteral("Getting Started"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);

    // Without a title bar the window draws its own edge.
    Border = new QFrame(this);
    Border->setObjectName(QStringLiteral("Border"));
    Border->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Border->setLineWidth(2);

    HeadingLabel = new QLabel(QStringLiteral("Getting Started"), Border);
    HeadingLabel->setObjectName(QStringLiteral("HeadingLabel"));
    QFont heading = HeadingLabel->font();
    heading.setBold(true);
    heading.setPointSize(heading.pointSize() + 6);
    HeadingLabel->setFont(heading);

    Page = new GettingStartedPage(Border);
    platform::SetWhatsThis(Page, QStringLiteral("Click on a green word to read about it in Help"));

    DontShowCheckBox = new QCheckBox(QStringLiteral("Do not show this screen at start up"), Border);
    DontShowCheckBox->setObjectName(QStringLiteral("DontShowCheckBox"));
    DontShowCheckBox->setChecked(data::ReadGettingStarted());
    platform::SetWhatsThis(DontShowCheckBox,
                           QStringLiteral("Check this if you do not want to see this screen when the program "
                                          "starts. You can still open it from the Help menu"));

    OkButton = MakeButton(Border, "OkButton", QStringLiteral("Ok"), QStringLiteral("Click here to close this screen"),
                          true);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(DontShowCheckBox);
    bottom->addStretch();
    bottom->addWidget(OkButton);

    auto* inner = new QVBoxLayout(Border);
    inner->addWidget(HeadingLabel);
    inner->addWidget(Page, 1);
    inner->addLayout(bottom);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(Border);

    connect(Page, &GettingStartedPage::linkClicked, this, &TGettingStarted::PageLinkClick);
    connect(OkButton, &QPushButton::clicked, this, &TGettingStarted::accept);

    OkButton->setFocus();
    adjustSize();
    resize(width(), std::max(height(), Page->minimumWidth() * 2 / 3));
    setFixedSize(size());
    platform::CenterOnMainWindow(this);
}

int TGettingStarted::LinkContext(const QString& linkText)
{
    const QString key = linkText.toUpper();
    for (const auto& [text, context] : kLinkContexts) {
        if (key == QLatin1String(text))
            return context;
    }
    return 0;
}

void TGettingStarted::done(int result)
{
    // A failed write only means the window shows again at the next start:
    // nothing is lost, so it is not worth a message box of its own.
    data::WriteGettingStarted(DontShowCheckBox->isChecked());
    QDialog::done(result);
}

void TGettingStarted::PageLinkClick(const QString& text)
{
    if (const int context = LinkContext(text))
        platform::ShowHelpTopic(context);
}

void ShowGettingStarted(QWidget* parent)
{
    TGettingStarted window(parent);
    window.exec();
}

}  // namespace app
