#pragma once
// CancelFlag: how a long loop on the one program thread stays responsive and
// stoppable. After each record the loop calls keepResponsive(), which lets
// pending events through — progress bars repaint, the Cancel button's click
// is served — and then tells whether cancel() was called meanwhile.
//
//     CancelFlag cancel_;                      // member of the window
//     void CancelButtonClick() { if (AskYesNo(...)) cancel_.cancel(); }
//     for (...) { work(); if (cancel_.keepResponsive()) break; }
//
// Requires: a QCoreApplication exists. The window must keep itself from
// being closed while its loop runs (the loop's objects live in it).
namespace platform {

class CancelFlag {
public:
    void cancel() { cancelled_ = true; }
    void reset() { cancelled_ = false; }
    bool isCancelled() const { return cancelled_; }

    // Processes the pending events, then returns isCancelled().
    bool keepResponsive();

private:
    bool cancelled_ = false;
};

// Lets the pending events through once (repaints, clicks, timers).
void ProcessPendingEvents();

}  // namespace platform
