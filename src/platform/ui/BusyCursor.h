#pragma once
// BusyCursor: shows the hourglass (wait) cursor for as long as the object
// lives, over the whole application; the previous cursor comes back when it
// is destroyed, also when an exception leaves the scope. Scopes nest.
//     { BusyCursor busy; rebuildIndexes(); }
// Requires: a QGuiApplication exists.
namespace platform {

class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace platform
