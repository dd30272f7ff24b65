#pragma once
// FileReplacement: puts new versions of several files in place so that a
// crash at any moment leaves either all the old files or, once recover() has
// run, all the new ones. The new files are written and flushed beside the
// old ones first; commit() then writes a marker listing the renames (the
// point of no return), renames, and removes the marker. recover() finishes
// the renames of a marker left behind, or drops new files that were never
// committed.
#include <string>
#include <utility>
#include <vector>

namespace xbase {

class FileReplacement {
public:
    explicit FileReplacement(std::string markerPath) : markerPath_(std::move(markerPath)) {}

    // newPath replaces finalPath at commit. Requires: newPath is flushed.
    void add(std::string newPath, std::string finalPath);
    void commit();
    // Finishes or rolls back an interrupted replacement. `newPaths` are the
    // files a replacement writes; without a marker they are stale and removed.
    static void recover(const std::string& markerPath, const std::vector<std::string>& newPaths);

private:
    std::string markerPath_;
    std::vector<std::pair<std::string, std::string>> renames_;
};

namespace testing {
// Called at each step of a commit with its name ("marker written",
// "renamed 1", ...), so tests can stop a commit part-way as a crash would.
extern void (*commitStepHook)(const char* step);
}  // namespace testing

}  // namespace xbase
