#include "app/TNewDataBaseName.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/DialogHelpers.h"
#include "app/TSpecifyFieldLengths.h"
#include "data/NewFieldLengths.h"
#include "platform/help/Help.h"
#include "platform/ui/WhatsThis.h"

namespace app {

namespace {

constexpr int kHelpContext = 1037;

bool IsNameStart(QChar c)
{
    return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
           || c == QLatin1Char('_');
}

bool IsNamePart(QChar c)
{
    return IsNameStart(c) || (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
}

}  // namespace

TNewDataBaseName::TNewDataBaseName(const QString& proposal, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("NewDataBaseName"));
    setWindowTitle(QStringLiteral("Create new database"));
    data::ReadNewFieldLengths(data::CurrentNewFieldLengths());

    NameEdit = new QLineEdit(this);
    NameEdit->setObjectName(QStringLiteral("NameEdit"));
    NameEdit->setMaxLength(kMaxNameLength);
    NameEdit->setText(proposal.left(kMaxNameLength));
    NameEdit->selectAll();
    EnterMovesFocus(NameEdit);
    platform::SetWhatsThis(NameEdit, QStringLiteral("Type the name of the new database, up to 8 characters. "
                                                    "The extension .DBF is added for you"));

    NameLabel = new QLabel(QStringLiteral("Enter the database name (no extension)"), this);
    NameLabel->setObjectName(QStringLiteral("NameLabel"));
    NameLabel->setBuddy(NameEdit);

    InvalidNameLabel = new QLabel(
        QStringLiteral("Invalid name. Must start with A..Z, followed by A..Z,0..9 or \"_\" (underscore)"), this);
    InvalidNameLabel->setObjectName(QStringLiteral("InvalidNameLabel"));
    InvalidNameLabel->setTextFormat(Qt::PlainText);
    InvalidNameLabel->setWordWrap(true);
    QPalette warning = InvalidNameLabel->palette();
    warning.setColor(QPalette::WindowText, Qt::red);
    InvalidNameLabel->setPalette(warning);

    OkButton = MakeButton(this, "OkButton", QStringLiteral("Ok [PgDn]"),
                          QStringLiteral("Click here (or press PgDn) to create the database"), true);
    CancelButton = MakeButton(this, "CancelButton", QStringLiteral("Cancel"),
                              QStringLiteral("Click here to close without creating a database"));
    HelpButton = MakeButton(this, "HelpButton", QStringLiteral("Help"),
                            QStringLiteral("Click here for help on creating a database"));
    FieldLengthsButton = MakeButton(this, "FieldLengthsButton", QStringLiteral("Specify Field Lengths"),
                                    QStringLiteral("Click here to set the number of characters each field of "
                                                   "the new database holds"));
    MouseHelpButton = MakeMouseHelpButton(this);


    auto* layout = new QVBoxLayout(this);
    layout->addWidget(NameLabel);
    layout->addWidget(NameEdit);
    layout->addWidget(InvalidNameLabel);
    layout->addLayout(MakeButtonRow({OkButton, CancelButton, HelpButton, FieldLengthsButton}, MouseHelpButton));
    // The note comes and goes; the dialog keeps one size.
    QSizePolicy keepSpace = InvalidNameLabel->sizePolicy();
    keepSpace.setRetainSizeWhenHidden(true);
    InvalidNameLabel->setSizePolicy(keepSpace);

    auto* pageDown = new QShortcut(QKeySequence(Qt::Key_PageDown), this);
    pageDown->setObjectName(QStringLiteral("PageDownShortcut"));

    connect(NameEdit, &QLineEdit::textChanged, this, &TNewDataBaseName::NameEditChange);
    connect(OkButton, &QPushButton::clicked, this, &TNewDataBaseName::OkButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TNewDataBaseName::reject);
    connect(HelpButton, &QPushButton::clicked, this, &TNewDataBaseName::HelpButtonClick);
    connect(FieldLengthsButton, &QPushButton::clicked, this, &TNewDataBaseName::FieldLengthsButtonClick);
    connect(pageDown, &QShortcut::activated, this, &TNewDataBaseName::PageDownPress);

    NameEditChange();
    FinishToolDialog(this);
}

QString TNewDataBaseName::name() const
{
    return NameEdit->text();
}

bool TNewDataBaseName::IsValidName(const QString& name)
{
    if (name.isEmpty() || !IsNameStart(name.front()))
        return false;
    for (const QChar c : name) {
        if (!IsNamePart(c))
            return false;
    }
    return true;
}

void TNewDataBaseName::NameEditChange()
{
    const bool valid = IsValidName(NameEdit->text());
    OkButton->setEnabled(valid);
    InvalidNameLabel->setVisible(!valid);
}

void TNewDataBaseName::OkButtonClick()
{
    if (IsValidName(NameEdit->text()))
        accept();
}

void TNewDataBaseName::PageDownPress()
{
    if (OkButton->isEnabled())
        OkButton->click();
}

void TNewDataBaseName::FieldLengthsButtonClick()
{
    TSpecifyFieldLengths lengths(this);
    lengths.exec();
}

void TNewDataBaseName::HelpButtonClick()
{
    platform::ShowHelpTopic(kHelpContext);
}

}  // namespace app
