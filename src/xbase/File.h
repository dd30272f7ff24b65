#pragma once
// File: an open operating-system file with positioned, all-or-nothing reads
// and writes that throw xbase::Error on failure. Owns its descriptor.
//
// Locks are whole-file advisory locks (flock) that conflict between processes
// and between two opens in one process; FileIdentity tells whether two paths
// name the same file (device and inode, not path text).
#include <cstddef>
#include <cstdint>
#include <string>

namespace xbase {

struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

class File {
public:
    enum class Mode { ReadOnly, ReadWrite, Create };  // Create truncates or makes a new file

    File() = default;
    File(const std::string& path, Mode mode);
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }
    bool writable() const { return writable_; }

    // Reads exactly size bytes at offset; throws Corrupt when the file ends first.
    void readExact(uint64_t offset, void* buffer, size_t size) const;
    // Reads up to size bytes at offset; returns how many were read (less at end of file).
    size_t readSome(uint64_t offset, void* buffer, size_t size) const;
    void write(uint64_t offset, const void* data, size_t size);
    uint64_t size() const;
    void truncate(uint64_t size);
    void sync();
    void close();

    // Takes a lock without waiting; throws Error(Locked) when another holder has one.
    void lock(bool exclusive);
    FileIdentity identity() const;
    // The file was renamed while open: refer to it by its new path.
    void renamed(const std::string& path) { path_ = path; }

private:
    [[noreturn]] void fail(const char* what, int error) const;

    int fd_ = -1;
    bool writable_ = false;
    std::string path_;
};

// Replaces `to` by `from` atomically (rename); throws Error(Io).
void renameFile(const std::string& from, const std::string& to);
// Removes a file; a missing file is not an error.
void removeFile(const std::string& path);
bool fileExists(const std::string& path);
// Makes a directory entry change (rename, create) durable.
void syncDirectoryOf(const std::string& path);

}  // namespace xbase

namespace xbase {
// The path of the file in the same folder as `path` whose name equals `name`
// regardless of letter case (an exact match wins), or empty when none exists.
std::string findFileNoCase(const std::string& folder, const std::string& name);
// `path` with its extension replaced by `extension` (".FPT"), found
// regardless of letter case; empty when no such file exists.
std::string findCompanion(const std::string& path, const std::string& extension);
// Folder part of a path including the trailing '/', or "" for a bare name.
std::string folderOf(const std::string& path);
}  // namespace xbase
