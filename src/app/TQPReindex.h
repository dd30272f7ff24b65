#pragma once
// TQPReindex: the dialog "Rebuild indexes for <file>". "Reindex" packs the
// open address file (removing the records marked deleted) and builds its 26
// index tags again (data::RebuildAddressFile), showing the progress of each
// stage; the dialog closes with Accepted when the rebuild succeeded.
//
// While the rebuild runs the dialog cannot be closed and its help is
// hidden. When the rebuild fails the dialog says why, comes back to its
// first state (so it can be tried again or cancelled) and stays open; the
// file is then left without a valid index, which the caller finds with
// data::CheckValidIndex.
//
// The table is not owned; it must stay open while the dialog lives and not
// be in an edit. Afterwards the table has been re-synchronised with the
// engine (its order is record order).
// Requires: a QApplication exists.
#include "app/RunningToolDialog.h"
#include "data/AddressFile.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QToolButton;

namespace platform {
class DataTable;
}

namespace app {

class TQPReindex : public RunningToolDialog {
    Q_OBJECT

public:
    explicit TQPReindex(platform::DataTable& table, QWidget* parent = nullptr);

    // True once a rebuild has succeeded.
    bool rebuilt() const { return rebuilt_; }

private:
    enum class ProgressMode { Pack, Tags };

    void ReindexButtonClick();
    void HelpButtonClick();
    // One notification from the engine (0..100) in the current mode.
    void Progress(ProgressMode mode, int percent);
    // Starts or ends a rebuild: its controls, an empty bar.
    void SetRunning(bool running);

    platform::DataTable& table_;
    data::TagProgress tagProgress_;
    bool rebuilt_ = false;
    bool tagsStarted_ = false;

    QLabel* StatusLabel;
    QProgressBar* ProgressBar;
    QPushButton* ReindexButton;
    QPushButton* HelpButton;
    QPushButton* CancelButton;
    QToolButton* MouseHelpButton;
};

}  // namespace app
