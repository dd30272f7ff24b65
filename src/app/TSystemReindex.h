#pragma once
// TSystemReindex: the dialog "Rebuild System Indexes". "Reindex" rebuilds
// each system table in turn (data::kSystemReindexSteps): it packs the table,
// so its delete-marked rows go, and builds its tag again, naming the step in
// the status line and showing the engine's progress in the bar; then the
// dialog closes itself (accepted). A table that cannot be rebuilt — missing,
// in use, or without a sound index — is skipped without a message; its
// opener repairs the index the next time it runs.
//
// While the rebuild runs, Cancel, Help and pointer help are hidden and the
// dialog refuses to close (Esc, the title bar); afterwards it always closes.
// ShowSystemReindex creates it centred over the main window and runs it
// modally.
// Requires: a QApplication exists; no window holds a system table open (one
// that does is skipped).
#include "app/RunningToolDialog.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QToolButton;

namespace app {

class TSystemReindex : public RunningToolDialog {
    Q_OBJECT

public:
    explicit TSystemReindex(QWidget* parent = nullptr);

private:
    void ReindexButtonClick();
    void HelpButtonClick();
    void ShowProgress(int percent);
    // Starts or ends the rebuild: its controls, an empty bar.
    void SetRunning(bool running);

    QLabel* InfoLabel;
    QProgressBar* ProgressBar;
    QLabel* StatusLabel;
    QPushButton* ReindexButton;
    QPushButton* HelpButton;
    QPushButton* CancelButton;
    QToolButton* MouseHelpButton;
};

// Runs "Rebuild System Indexes" modally over `parent`.
void ShowSystemReindex(QWidget* parent = nullptr);

}  // namespace app
