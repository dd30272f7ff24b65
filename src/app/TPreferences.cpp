#include "app/TPreferences.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <cstring>

#include "app/DialogHelpers.h"
#include "platform/help/Help.h"
#include "platform/system/SettingsFile.h"
#include "platform/ui/Messages.h"
#include "platform/ui/WhatsThis.h"

namespace app {

namespace {

constexpr int kHelpContext = 1038;
constexpr size_t kFirstCarry = 3;
constexpr size_t kFirstSkip = 10;
constexpr int kSkipRowsPerColumn = 6;

// The captions of the check boxes, in data::kAddingFlags order.
constexpr std::array<const char*, data::kAddingFlagCount> kCaptions = {
    "Enter today's date in the date field",
    "Automatically insert city and state/province",
    "Automatically check for duplicate names",
    // carried forward
    "Organization", "Address 1", "Address 2", "City", "State/Province", "Zip/Postal Code", "Country",
    // skipped
    "Organization", "Phone #1", "E-Mail", "State/Province", "Zip/Postal Code", "Country", "Address 2",
    "Last Name", "Middle Initial", "First Name", "Title", "Phone #2", "Fax", "Codes", "Prefix",
    "Comments #1", "Date", "Comments #2",
};

QString HelpText(size_t index, const QString& caption)
{
    if (index < kFirstCarry)
        return QStringLiteral("Check this to ") + caption.left(1).toLower() + caption.mid(1)
               + QStringLiteral(" when you add a new record");
    if (index < kFirstSkip)
        return QStringLiteral("Check this to copy \"") + caption
               + QStringLiteral("\" from the previous record into each new record");
    return QStringLiteral("Check this to skip \"") + caption
           + QStringLiteral("\" when you move through a new record with Tab or Enter");
}

}  // namespace

TPreferences::TPreferences(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Preferences"));
    setWindowTitle(QStringLiteral("Preferences"));

    HeadingLabel = new QLabel(QStringLiteral(" When adding new records"), this);
    HeadingLabel->setObjectName(QStringLiteral("HeadingLabel"));
    QFont bold = HeadingLabel->font();
    bold.setBold(true);
    HeadingLabel->setFont(bold);

    for (size_t i = 0; i < flags_.size(); ++i) {
        const QString caption = QLatin1String(kCaptions[i]);
        auto* box = new QCheckBox(caption, this);
        box->setObjectName(QLatin1String(data::kAddingFlags[i].key));
        platform::SetWhatsThis(box, HelpText(i, caption));
        flags_[i] = box;
    }

    DefaultCountry = new QLineEdit(this);
    DefaultCountry->setObjectName(QStringLiteral("DefaultCountry"));
    DefaultCountry->setMaxLength(data::kDefaultCountryLength);
    EnterMovesFocus(DefaultCountry);
    platform::SetWhatsThis(DefaultCountry, QStringLiteral("The country entered in a new record when no country "
                                                          "is carried forward; leave it empty for none"));
    DefaultCountryLabel = new QLabel(QStringLiteral("Default Country Name"), this);
    DefaultCountryLabel->setObjectName(QStringLiteral("DefaultCountryLabel"));
    DefaultCountryLabel->setBuddy(DefaultCountry);

    CarryGroup = new QGroupBox(QStringLiteral("Carry forward the following fields:"), this);
    CarryGroup->setObjectName(QStringLiteral("CarryGroup"));
    auto* carry = new QVBoxLayout(CarryGroup);
    for (size_t i = kFirstCarry; i < kFirstSkip; ++i) {
        flags_[i]->setParent(CarryGroup);
        carry->addWidget(flags_[i]);
    }
    carry->addStretch();

    SkipGroup = new QGroupBox(QStringLiteral("Skip through the following fields:"), this);
    SkipGroup->setObjectName(QStringLiteral("SkipGroup"));
    auto* skip = new QGridLayout(SkipGroup);
    for (size_t i = kFirstSkip; i < flags_.size(); ++i) {
        const int n = static_cast<int>(i - kFirstSkip);
        flags_[i]->setParent(SkipGroup);
        skip->addWidget(flags_[i], n % kSkipRowsPerColumn, n / kSkipRowsPerColumn);
    }

    OkButton = MakeButton(this, "OkButton", QStringLiteral("Ok"),
                          QStringLiteral("Click here to keep these preferences"), true);
    CancelButton = MakeButton(this, "CancelButton", QStringLiteral("Cancel"),
                              QStringLiteral("Click here to close without changing the preferences"));
    HelpButton = MakeButton(this, "HelpButton", QStringLiteral("Help"),
                            QStringLiteral("Click here for help on the preferences"));
    MouseHelpButton = MakeMouseHelpButton(this);

    auto* country = new QHBoxLayout;
    country->addWidget(DefaultCountryLabel);
    country->addWidget(DefaultCountry, 1);

    auto* options = new QVBoxLayout;
    for (size_t i = 0; i < kFirstCarry; ++i)
        options->addWidget(flags_[i]);
    options->addLayout(country);

    auto* groups = new QHBoxLayout;
    groups->addWidget(CarryGroup);
    groups->addWidget(SkipGroup, 1);


    auto* layout = new QVBoxLayout(this);
    layout->addWidget(HeadingLabel);
    layout->addLayout(options);
    layout->addLayout(groups);
    layout->addLayout(MakeButtonRow({OkButton, CancelButton, HelpButton}, MouseHelpButton));

    // Tab moves through the controls in the order they are shown.
    QWidget* previous = nullptr;
    auto chain = [&previous](QWidget* next) {
        if (previous)
            setTabOrder(previous, next);
        previous = next;
    };
    for (size_t i = 0; i < kFirstCarry; ++i)
        chain(flags_[i]);
    chain(DefaultCountry);
    for (size_t i = kFirstCarry; i < flags_.size(); ++i)
        chain(flags_[i]);
    chain(OkButton);
    chain(CancelButton);
    chain(HelpButton);

    connect(OkButton, &QPushButton::clicked, this, &TPreferences::OkButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TPreferences::reject);
    connect(HelpButton, &QPushButton::clicked, this, &TPreferences::HelpButtonClick);

    LoadPreferences();
    FinishToolDialog(this);
}

QCheckBox* TPreferences::flagBox(const char* key) const
{
    for (size_t i = 0; i < flags_.size(); ++i) {
        if (std::strcmp(data::kAddingFlags[i].key, key) == 0)
            return flags_[i];
    }
    return nullptr;
}

void TPreferences::LoadPreferences()
{
    const data::AddingPreferences preferences = data::ReadAddingPreferences();
    for (size_t i = 0; i < flags_.size(); ++i)
        flags_[i]->setChecked(preferences.*data::kAddingFlags[i].member);
    DefaultCountry->setText(preferences.defaultCountry);
}

bool TPreferences::SavePreferences()
{
    data::AddingPreferences preferences;
    for (size_t i = 0; i < flags_.size(); ++i)
        preferences.*data::kAddingFlags[i].member = flags_[i]->isChecked();
    preferences.defaultCountry = DefaultCountry->text();
    return data::WriteAddingPreferences(preferences);
}

void TPreferences::OkButtonClick()
{
    if (!SavePreferences()) {
        // Closing would lose the choices without a word: stay open, so the
        // user can try again or cancel.
        platform::ShowInformation(QStringLiteral("Unable to save the preferences in ") + platform::SettingsFile());
        return;
    }
    accept();
}

void TPreferences::HelpButtonClick()
{
    platform::ShowHelpTopic(kHelpContext);
}

}  // namespace app
