#pragma once
// RunningToolDialog: a tool dialog whose long work runs inside its own
// event loop, showing its progress as it goes. While the work runs the
// dialog refuses to close (Esc, Cancel, the title bar), pointer help is
// suspended, its start button is disabled, the controls meant for the idle
// dialog are hidden and those meant for the running work are shown.
// Requires: a QApplication exists.
#include <QDialog>

#include <vector>

class QCloseEvent;

namespace app {

class RunningToolDialog : public QDialog {
    Q_OBJECT

public:
    using QDialog::QDialog;

    bool running() const { return running_; }

public slots:
    // Refused while the work runs.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    // The controls that follow the running state. `runningOnly` starts
    // hidden and keeps its room while hidden.
    void setRunningControls(QWidget* start, std::vector<QWidget*> idleOnly, std::vector<QWidget*> runningOnly);
    void setRunning(bool running);

private:
    bool running_ = false;
    QWidget* start_ = nullptr;
    std::vector<QWidget*> idleOnly_;
    std::vector<QWidget*> runningOnly_;
};

}  // namespace app
