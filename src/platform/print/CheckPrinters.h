#pragma once
// CheckPrinters: every print command asks it first. True when a printer is
// installed and a default printer can be selected; otherwise it tells the
// user which of the two is missing (ShowInformation) and gives false.
// With the real printer service the built-in "PDF file" printer is always
// installed and is the default when the system has none, so the check fails
// only when a scripted service says so.
// Requires: a QApplication exists.
namespace platform {

bool CheckPrinters();

}  // namespace platform
