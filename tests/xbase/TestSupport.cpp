#include "TestSupport.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testsupport {

namespace fs = std::filesystem;

TempDir::TempDir()
{
    std::string pattern = (fs::temp_directory_path() / "qptest-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string fixturePath(const std::string& relative)
{
    return std::string(QP_FIXTURES_DIR) + "/" + relative;
}

std::string copyFixtureTable(const std::string& name, const TempDir& dir)
{
    for (const char* ext : {".DBF", ".FPT", ".CDX", ".DBT"}) {
        fs::path from = fixturePath("xbase/" + name + ext);
        if (fs::exists(from)) {
            fs::path to = fs::path(dir.path()) / (name + ext);
            fs::copy_file(from, to, fs::copy_options::overwrite_existing);
            fs::permissions(to, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add);
        }
    }
    return dir.file(name + ".DBF");
}

QJsonDocument readJson(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path);
    return QJsonDocument::fromJson(file.readAll());
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

int runCommand(const std::string& command, std::string* out)
{
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    std::string text;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        text.append(buffer, n);
    int status = pclose(pipe);
    if (out)
        *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string toCp1252(const QString& text)
{
    QStringEncoder encoder("windows-1252");
    QByteArray bytes = encoder.encode(text);
    return bytes.toStdString();
}

}  // namespace testsupport
