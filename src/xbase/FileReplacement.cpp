#include "xbase/FileReplacement.h"

#include <fstream>
#include <sstream>

#include "xbase/Error.h"
#include "xbase/File.h"

namespace xbase {

namespace testing {
void (*commitStepHook)(const char* step) = nullptr;
}

namespace {

constexpr char kMarkerSignature[] = "QUILLPOST-REPLACE 1";

void step(const char* name)
{
    if (testing::commitStepHook)
        testing::commitStepHook(name);
}

}  // namespace

void FileReplacement::add(std::string newPath, std::string finalPath)
{
    renames_.emplace_back(std::move(newPath), std::move(finalPath));
}

void FileReplacement::commit()
{
    std::string text = std::string(kMarkerSignature) + "\n";
    for (const auto& [from, to] : renames_)
        text += from + "\t" + to + "\n";
    const std::string temp = markerPath_ + ".tmp";
    {
        File marker(temp, File::Mode::Create);
        marker.write(0, text.data(), text.size());
        marker.sync();
    }
    step("before marker");
    renameFile(temp, markerPath_);
    syncDirectoryOf(markerPath_);
    step("marker written");
    int n = 0;
    for (const auto& [from, to] : renames_) {
        renameFile(from, to);
        std::string name = "renamed " + std::to_string(++n);
        step(name.c_str());
    }
    syncDirectoryOf(markerPath_);
    removeFile(markerPath_);
    syncDirectoryOf(markerPath_);
}

void FileReplacement::recover(const std::string& markerPath, const std::vector<std::string>& newPaths)
{
    removeFile(markerPath + ".tmp");
    if (!fileExists(markerPath)) {
        for (const std::string& path : newPaths)
            removeFile(path);
        return;
    }
    std::ifstream in(markerPath);
    std::string line;
    if (!std::getline(in, line) || line != kMarkerSignature)
        throw Error(ErrorKind::Corrupt, "Unreadable replacement marker; the table was being packed", markerPath);
    while (std::getline(in, line)) {
        auto tab = line.find('\t');
        if (tab == std::string::npos)
            throw Error(ErrorKind::Corrupt, "Unreadable replacement marker; the table was being packed", markerPath);
        std::string from = line.substr(0, tab);
        if (fileExists(from))
            renameFile(from, line.substr(tab + 1));
    }
    syncDirectoryOf(markerPath);
    removeFile(markerPath);
    syncDirectoryOf(markerPath);
}

}  // namespace xbase
