#include "app/TSystemReindex.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/DialogHelpers.h"
#include "data/SystemTables.h"
#include "platform/help/Help.h"
#include "platform/ui/BusyCursor.h"
#include "platform/ui/CancelFlag.h"
#include "platform/ui/WhatsThis.h"

namespace app {

namespace {

constexpr int kHelpContext = 1039;

}  // namespace

TSystemReindex::TSystemReindex(QWidget* parent) : RunningToolDialog(parent)
{
    setObjectName(QStringLiteral("SystemReindex"));
    setWindowTitle(QStringLiteral("Rebuild System Indexes"));

    InfoLabel = new QLabel(QStringLiteral("Rebuilds the indexes of the letter, label, envelope and report files, "
                                          "the label templates and the state/province file, and removes "
                                          "their deleted records."),
                           this);
    InfoLabel->setObjectName(QStringLiteral("InfoLabel"));
    InfoLabel->setTextFormat(Qt::PlainText);
    InfoLabel->setWordWrap(true);
    InfoLabel->setMinimumWidth(340);

    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    platform::SetWhatsThis(ProgressBar, QStringLiteral("Shows how far the rebuild of the current file has come"));

    StatusLabel = new QLabel(this);
    StatusLabel->setObjectName(QStringLiteral("StatusLabel"));
    StatusLabel->setTextFormat(Qt::PlainText);
    StatusLabel->setMinimumHeight(StatusLabel->fontMetrics().height());

    ReindexButton = MakeButton(this, "ReindexButton", QStringLiteral("Reindex"),
                               QStringLiteral("Click here to rebuild the indexes of the system files"), true);
    HelpButton = MakeButton(this, "HelpButton", QStringLiteral("Help"),
                            QStringLiteral("Click here for help on rebuilding the system indexes"));
    CancelButton = MakeButton(this, "CancelButton", QStringLiteral("Cancel"),
                              QStringLiteral("Click here to close without rebuilding the indexes"));
    MouseHelpButton = MakeMouseHelpButton(this);

    setRunningControls(ReindexButton, {CancelButton, HelpButton, MouseHelpButton}, {ProgressBar, StatusLabel});

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(InfoLabel);
    layout->addWidget(ProgressBar);
    layout->addWidget(StatusLabel);
    layout->addLayout(MakeButtonRow({ReindexButton, HelpButton, CancelButton}, MouseHelpButton));

    connect(ReindexButton, &QPushButton::clicked, this, &TSystemReindex::ReindexButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TSystemReindex::HelpButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TSystemReindex::reject);

    FinishToolDialog(this);
}

void TSystemReindex::SetRunning(bool running)
{
    setRunning(running);
    ProgressBar->setValue(0);
}

void TSystemReindex::ReindexButtonClick()
{
    if (running())
        return;
    SetRunning(true);
    try {
        platform::BusyCursor busy;
        for (const data::SystemReindexStep& step : data::kSystemReindexSteps) {
            StatusLabel->setText(QString::fromLatin1(step.statusText));
            platform::ProcessPendingEvents();
            // A table that cannot be rebuilt is skipped without a word: its
            // opener repairs the index when it next opens it.
            data::RebuildSystemIndex(step, [this](int percent) { ShowProgress(percent); });
        }
    } catch (...) {
        // Every step keeps its own failures; this only keeps anything else
        // from crossing the event loop. The dialog is restored and closed.
    }
    SetRunning(false);
    accept();
}

void TSystemReindex::ShowProgress(int percent)
{
    ProgressBar->setValue(percent);
    platform::ProcessPendingEvents();
}

void TSystemReindex::HelpButtonClick()
{
    platform::ShowHelpTopic(kHelpContext);
}

void ShowSystemReindex(QWidget* parent)
{
    TSystemReindex dialog(parent);
    dialog.exec();
}

}  // namespace app
