#pragma once
// Helpers shared by the engine tests: temporary folders, fixture files and
// the fixtures' JSON.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <filesystem>
#include <string>

namespace testsupport {

// A fresh folder removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string fixturePath(const std::string& relative);
// Copies the files of a fixture table (NAME.DBF, .FPT, .CDX ...) into dir;
// returns the path of the copied DBF.
std::string copyFixtureTable(const std::string& name, const TempDir& dir);
QJsonDocument readJson(const std::string& path);
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
// Runs a shell command; returns its exit status and puts its stdout in out.
int runCommand(const std::string& command, std::string* out = nullptr);
// UTF-8 from the JSON back to the Windows-1252 bytes stored in the files.
std::string toCp1252(const QString& text);

}  // namespace testsupport
