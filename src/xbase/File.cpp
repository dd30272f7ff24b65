#include "xbase/File.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <utility>

#include "xbase/Error.h"

namespace xbase {

File::File(const std::string& path, Mode mode) : path_(path)
{
    int flags = O_CLOEXEC;
    switch (mode) {
    case Mode::ReadOnly: flags |= O_RDONLY; break;
    case Mode::ReadWrite: flags |= O_RDWR; break;
    case Mode::Create: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    }
    do {
        fd_ = ::open(path.c_str(), flags, 0644);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0)
        fail("Cannot open file", errno);
    writable_ = mode != Mode::ReadOnly;
}

File::~File()
{
    close();
}

File::File(File&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), writable_(other.writable_), path_(std::move(other.path_))
{
}

File& File::operator=(File&& other) noexcept
{
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
        writable_ = other.writable_;
        path_ = std::move(other.path_);
    }
    return *this;
}

void File::close()
{
    if (fd_ >= 0) {
        ::close(fd_);  // the lock goes with the descriptor
        fd_ = -1;
    }
}

size_t File::readSome(uint64_t offset, void* buffer, size_t size) const
{
    auto* out = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::pread(fd_, out + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail("Cannot read file", errno);
        }
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    return done;
}

void File::readExact(uint64_t offset, void* buffer, size_t size) const
{
    if (readSome(offset, buffer, size) != size)
        throw Error(ErrorKind::Corrupt,
                    "File ends before offset " + std::to_string(offset + size), path_);
}

void File::write(uint64_t offset, const void* data, size_t size)
{
    const auto* in = static_cast<const char*>(data);
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::pwrite(fd_, in + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail("Cannot write file", errno);
        }
        done += static_cast<size_t>(n);
    }
}

uint64_t File::size() const
{
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        fail("Cannot read file size", errno);
    return static_cast<uint64_t>(st.st_size);
}

void File::truncate(uint64_t size)
{
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0)
        fail("Cannot change file size", errno);
}

void File::sync()
{
    if (::fsync(fd_) != 0)
        fail("Cannot flush file", errno);
}

void File::lock(bool exclusive)
{
    if (::flock(fd_, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
        int error = errno;
        if (error == EWOULDBLOCK)
            throw Error(ErrorKind::Locked, "File is in use by another program", path_);
        fail("Cannot lock file", error);
    }
}

FileIdentity File::identity() const
{
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        fail("Cannot read file status", errno);
    return {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

void File::fail(const char* what, int error) const
{
    throw Error(ErrorKind::Io, what, path_, error);
}

void renameFile(const std::string& from, const std::string& to)
{
    if (std::rename(from.c_str(), to.c_str()) != 0)
        throw Error(ErrorKind::Io, "Cannot rename to " + to, from, errno);
}

void removeFile(const std::string& path)
{
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        throw Error(ErrorKind::Io, "Cannot remove file", path, errno);
}

bool fileExists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void syncDirectoryOf(const std::string& path)
{
    auto slash = path.find_last_of('/');
    std::string dir = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;  // not every file system lets a directory be opened; the rename itself stands
    ::fsync(fd);
    ::close(fd);
}

}  // namespace xbase

#include <dirent.h>
#include <strings.h>

namespace xbase {

std::string folderOf(const std::string& path)
{
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string findFileNoCase(const std::string& folder, const std::string& name)
{
    std::string exact = folder + name;
    if (fileExists(exact))
        return exact;
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr)
        return {};
    std::string found;
    while (dirent* entry = ::readdir(dir)) {
        if (::strcasecmp(entry->d_name, name.c_str()) == 0 && fileExists(folder + entry->d_name)) {
            found = folder + entry->d_name;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

std::string findCompanion(const std::string& path, const std::string& extension)
{
    std::string folder = folderOf(path);
    std::string name = path.substr(folder.size());
    auto dot = name.find_last_of('.');
    if (dot != std::string::npos)
        name.resize(dot);
    return findFileNoCase(folder, name + extension);
}

}  // namespace xbase
