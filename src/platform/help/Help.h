#pragma once
// Context help: opens the help window (one, non-modal, owned by this module)
// on the topic with the given context number. Topics are HTML files named
// <context>.html in ProgramDir() + "help/", or in the source tree's help/
// folder when the program folder has none. A number without a topic shows a
// page that says so.
// Requires: a QApplication exists.
namespace platform {

void ShowHelpTopic(int context);

}  // namespace platform
