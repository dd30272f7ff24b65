#include "app/TSpecifyFieldLengths.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <optional>

#include "app/DialogHelpers.h"
#include "platform/help/Help.h"
#include "platform/system/SettingsFile.h"
#include "platform/ui/Messages.h"
#include "platform/ui/WhatsThis.h"

namespace app {

namespace {

constexpr int kHelpContext = 2097;
constexpr int kBoxesPerColumn = 9;

struct BoxDef {
    data::LengthField field;
    const char* label;
};

// The boxes in the order they are shown, down the first column, then the second.
constexpr std::array<BoxDef, data::kAdjustableFieldCount> kBoxes = {{
    {data::lfFNAME, "First Name"},
    {data::lfLNAME, "Last Name"},
    {data::lfPREFIX, "Prefix"},
    {data::lfTITLE, "Title"},
    {data::lfORG, "Organization"},
    {data::lfSTREET, "Address #1"},
    {data::lfSTREET2, "Address #2"},
    {data::lfCITY, "City"},
    {data::lfSTATE, "State"},
    {data::lfZIP, "Zip/Postal"},
    {data::lfCOUNTRY, "Country"},
    {data::lfPHONE, "Phone #1"},
    {data::lfPHONE2, "Phone #2"},
    {data::lfFAX, "Fax"},
    {data::lfEMAIL, "E-Mail"},
    {data::lfCODES, "Codes"},
    {data::lfUSER1, "Comments #1"},
    {data::lfUSER2, "Comments #2"},
}};

// The width a box holds, or nothing when its text is not a width from 10 to 80.
std::optional<int> BoxWidth(const QLineEdit* box)
{
    bool ok = false;
    const int width = box->text().trimmed().toInt(&ok);
    if (!ok || width < TSpecifyFieldLengths::kMinimumWidth || width > TSpecifyFieldLengths::kMaximumWidth)
        return std::nullopt;
    return width;
}

}  // namespace

TSpecifyFieldLengths::TSpecifyFieldLengths(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SpecifyFieldLengths"));
    setWindowTitle(QStringLiteral("Specify Field Lengths"));

    auto* grid = new QGridLayout;
    for (size_t i = 0; i < kBoxes.size(); ++i) {
        const BoxDef& def = kBoxes[i];
        auto* box = new QLineEdit(this);
        box->setObjectName(data::NewFieldLengthKey(def.field));
        box->setMaxLength(3);
        box->setFixedWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 12);
        box->installEventFilter(this);
        EnterMovesFocus(box);
        const QString label = QLatin1String(def.label);
        platform::SetWhatsThis(box, QStringLiteral("The number of characters the field \"") + label
                                        + QStringLiteral("\" holds in new address files (10 to 80)"));
        auto* caption = new QLabel(label, this);
        caption->setObjectName(QStringLiteral("Label") + data::NewFieldLengthKey(def.field));
        caption->setBuddy(box);
        const int row = static_cast<int>(i) % kBoxesPerColumn;
        const int column = static_cast<int>(i) / kBoxesPerColumn * 3;
        grid->addWidget(caption, row, column);
        grid->addWidget(box, row, column + 1);
        boxes_[static_cast<size_t>(def.field)] = box;
    }
    grid->setColumnMinimumWidth(2, 24);

    NoteLabel = new QLabel(
        QStringLiteral("NOTE: Minimum size = 10 characters                  Maximum size = 80 characters"), this);
    NoteLabel->setObjectName(QStringLiteral("NoteLabel"));
    NoteLabel->setTextFormat(Qt::PlainText);

    UseForAllCheckBox = new QCheckBox(QStringLiteral("Use these settings for all new databases"), this);
    UseForAllCheckBox->setObjectName(QStringLiteral("UseForAllCheckBox"));
    platform::SetWhatsThis(UseForAllCheckBox,
                           QStringLiteral("Check this to keep these lengths for every new database from now on. "
                                          "Unchecked, they hold only for the databases you create now"));

    OkButton = MakeButton(this, "OkButton", QStringLiteral("Ok"),
                          QStringLiteral("Click here to use these field lengths"), true);
    HelpButton = MakeButton(this, "HelpButton", QStringLiteral("Help"),
                            QStringLiteral("Click here for help on field lengths"));
    CancelButton = MakeButton(this, "CancelButton", QStringLiteral("Cancel"),
                              QStringLiteral("Click here to close without changing the field lengths"));
    DefaultsButton = MakeButton(this, "DefaultsButton", QStringLiteral("Defaults"),
                                QStringLiteral("Click here to show the standard field lengths"));
    MouseHelpButton = MakeMouseHelpButton(this);


    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(NoteLabel);
    layout->addWidget(UseForAllCheckBox);
    layout->addLayout(MakeButtonRow({OkButton, HelpButton, CancelButton, DefaultsButton}, MouseHelpButton));

    connect(OkButton, &QPushButton::clicked, this, &TSpecifyFieldLengths::OkButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TSpecifyFieldLengths::HelpButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TSpecifyFieldLengths::reject);
    connect(DefaultsButton, &QPushButton::clicked, this, &TSpecifyFieldLengths::DefaultsButtonClick);

    ShowLengths(data::CurrentNewFieldLengths());
    FinishToolDialog(this);
}

bool TSpecifyFieldLengths::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        for (size_t i = 0; i < boxes_.size(); ++i) {
            if (boxes_[i] == watched)
                CheckBox(i);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TSpecifyFieldLengths::ShowLengths(const data::NewFieldLengths& lengths)
{
    for (size_t i = 0; i < boxes_.size(); ++i) {
        remembered_[i] = lengths.widths[i];
        boxes_[i]->setText(QString::number(remembered_[i]));
    }
}

void TSpecifyFieldLengths::CheckBox(size_t field)
{
    if (!BoxWidth(boxes_[field]))
        boxes_[field]->setText(QString::number(remembered_[field]));
}

void TSpecifyFieldLengths::OkButtonClick()
{
    data::NewFieldLengths& lengths = data::CurrentNewFieldLengths();
    for (size_t i = 0; i < boxes_.size(); ++i) {
        CheckBox(i);
        if (const std::optional<int> width = BoxWidth(boxes_[i]))
            lengths.widths[i] = *width;
    }
    if (UseForAllCheckBox->isChecked() && !data::WriteNewFieldLengths(lengths)) {
        // The lengths still hold for the files created now; only keeping
        // them failed, and the user should know that.
        platform::ShowInformation(QStringLiteral("Unable to save the field lengths in ") + platform::SettingsFile());
    }
    accept();
}

void TSpecifyFieldLengths::DefaultsButtonClick()
{
    data::NewFieldLengths defaults;
    data::ResetNewFieldLengths(defaults);
    ShowLengths(defaults);
}

void TSpecifyFieldLengths::HelpButtonClick()
{
    platform::ShowHelpTopic(kHelpContext);
}

}  // namespace app
