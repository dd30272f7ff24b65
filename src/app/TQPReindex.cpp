#include "app/TQPReindex.h"

#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>
#include <optional>
#include <stdexcept>

#include "app/DialogHelpers.h"
#include "platform/db/DataTable.h"
#include "platform/help/Help.h"
#include "platform/ui/BusyCursor.h"
#include "platform/ui/CancelFlag.h"
#include "platform/ui/Messages.h"

namespace app {

namespace {

constexpr int kHelpContext = 1040;

}  // namespace

TQPReindex::TQPReindex(platform::DataTable& table, QWidget* parent) : RunningToolDialog(parent), table_(table)
{
    setObjectName(QStringLiteral("QPReindex"));
    setWindowTitle(QStringLiteral("Rebuild indexes for ") + QFileInfo(table.path()).fileName());

    StatusLabel = new QLabel(this);
    StatusLabel->setObjectName(QStringLiteral("StatusLabel"));
    StatusLabel->setTextFormat(Qt::PlainText);
    StatusLabel->setMinimumWidth(StatusLabel->fontMetrics().horizontalAdvance(
                                     QStringLiteral("Cleaning out old deleted records"))
                                 + 40);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);

    ReindexButton = MakeButton(this, "ReindexButton", QStringLiteral("Reindex"),
                               QStringLiteral("Click here to remove the deleted records from this file and "
                                              "rebuild its indexes"),
                               true);
    HelpButton = MakeButton(this, "HelpButton", QStringLiteral("Help"),
                            QStringLiteral("Click here for help on rebuilding indexes"));
    CancelButton = MakeButton(this, "CancelButton", QStringLiteral("Cancel"),
                              QStringLiteral("Click here to close without rebuilding the indexes"));
    MouseHelpButton = MakeMouseHelpButton(this);

    setRunningControls(ReindexButton, {CancelButton, HelpButton, MouseHelpButton}, {StatusLabel, ProgressBar});

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(StatusLabel);
    layout->addWidget(ProgressBar);
    layout->addLayout(MakeButtonRow({ReindexButton, HelpButton, CancelButton}, MouseHelpButton));

    connect(ReindexButton, &QPushButton::clicked, this, &TQPReindex::ReindexButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TQPReindex::HelpButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TQPReindex::reject);

    FinishToolDialog(this);
}

void TQPReindex::SetRunning(bool running)
{
    setRunning(running);
    ProgressBar->setValue(0);
    tagProgress_.reset();
    tagsStarted_ = false;
}

void TQPReindex::Progress(ProgressMode mode, int percent)
{
    if (mode == ProgressMode::Pack) {
        ProgressBar->setValue(std::clamp(percent, 0, 100));
    } else {
        if (!tagsStarted_) {
            // The pack is over when the first tag reports.
            tagsStarted_ = true;
            StatusLabel->setText(QStringLiteral("Rebuilding indexes"));
        }
        ProgressBar->setValue(tagProgress_.notify(percent));
    }
    platform::ProcessPendingEvents();
}

void TQPReindex::ReindexButtonClick()
{
    if (running())
        return;
    const QString fileName = QFileInfo(table_.path()).fileName();
    std::optional<QString> failure;
    {
        platform::BusyCursor busy;
        SetRunning(true);
        StatusLabel->setText(QStringLiteral("Cleaning out old deleted records"));
        platform::ProcessPendingEvents();
        try {
            xbase::Table* engine = table_.engine();
            if (!engine)
                throw std::runtime_error("The file is not open");
            // The rebuild deletes the index before it packs: a file that
            // cannot be written must be refused before that.
            if (engine->readOnly())
                throw std::runtime_error("The file is open read-only");
            data::RebuildAddressFile(
                *engine, [this](int percent) { Progress(ProgressMode::Pack, percent); },
                [this](int percent) { Progress(ProgressMode::Tags, percent); });
        } catch (const std::exception& error) {
            failure = QString::fromLocal8Bit(error.what());
        } catch (...) {
            failure = QStringLiteral("An unexpected error occurred");
        }
        try {
            // The engine's cursor moved under the data-aware table.
            if (table_.isActive())
                table_.resync();
        } catch (const std::exception& error) {
            if (!failure)
                failure = QString::fromLocal8Bit(error.what());
        } catch (...) {
            if (!failure)
                failure = QStringLiteral("An unexpected error occurred");
        }
        SetRunning(false);
    }
    if (failure) {
        platform::ShowInformation(QStringLiteral("Unable to rebuild the indexes for ") + fileName
                                  + QStringLiteral("\r\n\r\n") + *failure);
        return;
    }
    rebuilt_ = true;
    accept();
}

void TQPReindex::HelpButtonClick()
{
    platform::ShowHelpTopic(kHelpContext);
}

}  // namespace app
