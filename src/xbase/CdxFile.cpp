#include "xbase/CdxFile.h"

#include <algorithm>
#include <array>

#include "xbase/Error.h"
#include "xbase/File.h"
#include "xbase/IndexBuilder.h"
#include "xbase/IndexHeader.h"
#include "xbase/IndexPageFile.h"
#include "xbase/IndexTree.h"

namespace xbase {
namespace {

// Tag names in the directory are this long in files of every writer.
constexpr int kDirectoryKeyLength = 10;

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool isTagNameChar(char c, bool first)
{
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    return letter || (!first && c >= '0' && c <= '9');
}

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (upper(a[i]) != upper(b[i]))
            return false;
    return true;
}

char padFor(char keyType) { return keyType == 'C' ? ' ' : '\0'; }

bool knownKeyType(char keyType)
{
    return keyType == 'C' || keyType == 'N' || keyType == 'D' || keyType == 'L';
}

}  // namespace

struct CdxFile::Tag {
    IndexTagInfo info;
    uint32_t headerOffset = 0;
    IndexHeader header;
    uint32_t writtenRoot = 0;
    std::shared_ptr<IndexTree> tree;
};

CdxFile::CdxFile() = default;

CdxFile::~CdxFile()
{
    try {
        flush();
    } catch (...) {
        // A destructor cannot report; callers who need to know call flush() first.
    }
}

const std::string& CdxFile::path() const { return file_->path(); }
bool CdxFile::writable() const { return file_->writable(); }
int CdxFile::tagCount() const { return static_cast<int>(tags_.size()); }

CdxFile::Tag& CdxFile::tagAt(int tag)
{
    if (tag < 0 || tag >= tagCount())
        throw Error(ErrorKind::InvalidArgument, "no tag number " + std::to_string(tag), path());
    return tags_[static_cast<size_t>(tag)];
}

const CdxFile::Tag& CdxFile::tagAt(int tag) const
{
    return const_cast<CdxFile*>(this)->tagAt(tag);
}

CdxFile::Tag& CdxFile::usableTag(int tag)
{
    Tag& t = tagAt(tag);
    if (t.info.keyType == 0)
        throw Error(ErrorKind::InvalidArgument, "the key type of tag " + t.info.name + " is not known yet", path());
    return t;
}

const IndexTagInfo& CdxFile::tagInfo(int tag) const { return tagAt(tag).info; }

int CdxFile::findTag(std::string_view name) const
{
    for (int i = 0; i < tagCount(); ++i)
        if (sameName(tags_[static_cast<size_t>(i)].info.name, name))
            return i;
    return -1;
}

void CdxFile::setKeyType(int tag, char keyType)
{
    Tag& t = tagAt(tag);
    if (!knownKeyType(keyType))
        throw Error(ErrorKind::InvalidArgument, std::string("unknown key type '") + keyType + "'", path());
    if (t.info.keyType != 0 && t.info.keyType != keyType)
        throw Error(ErrorKind::InvalidArgument,
                    "the key type of tag " + t.info.name + " is already " + std::string(1, t.info.keyType), path());
    t.info.keyType = keyType;
    t.tree->setPad(padFor(keyType));
}

std::string CdxFile::directoryKey(const std::string& name) const
{
    const auto length = static_cast<size_t>(directory_->layout().keyLength);
    if (name.size() > length)
        throw Error(ErrorKind::InvalidArgument, "tag name " + name + " is too long", path());
    std::string key(length, ' ');
    std::transform(name.begin(), name.end(), key.begin(), upper);
    return key;
}

std::unique_ptr<CdxFile> CdxFile::open(const std::string& path, bool writable)
{
    File file(path, writable ? File::Mode::ReadWrite : File::Mode::ReadOnly);
    std::unique_ptr<CdxFile> cdx(new CdxFile());
    cdx->file_ = std::make_unique<IndexPageFile>(std::move(file), IndexHeader::kSize);
    std::array<uint8_t, IndexHeader::kSize> bytes;
    cdx->file_->readBytes(0, bytes.data(), bytes.size());
    IndexHeader header = IndexHeader::parse(bytes.data(), 0, path);
    if ((header.options() & IndexHeader::kCompound) == 0)
        throw Error(ErrorKind::Corrupt,
                    "not a compound index: options byte " + std::to_string(header.options()) + " at offset 14", path);
    cdx->file_->reserveHeader(0, IndexHeader::kSize);
    cdx->file_->setStoredFreeListHead(header.freeList());
    cdx->file_->checkPagePointer(header.root(), 0, "tag directory root pointer");
    cdx->directory_ = std::make_shared<IndexTree>(*cdx->file_, header.root(),
                                                  IndexLayout{header.keyLength(), ' '}, "tag directory");
    cdx->writtenDirectoryRoot_ = header.root();
    cdx->writtenFreeHead_ = header.freeList();
    cdx->directoryHeader_ = std::make_unique<IndexHeader>(header);
    cdx->readDirectory();
    cdx->ready_ = true;
    return cdx;
}

void CdxFile::readDirectory()
{
    struct Entry {
        std::string name;
        uint32_t offset;
    };
    std::vector<Entry> entries;
    uint32_t steps = 0;
    for (IndexPosition at = directory_->first(); at.valid(); directory_->next(at, steps)) {
        std::string name(at.leaf->key(at.index));
        while (!name.empty() && (name.back() == ' ' || name.back() == '\0'))
            name.pop_back();
        const uint32_t offset = at.leaf->recnos[static_cast<size_t>(at.index)];
        if (name.empty())
            throw Error(ErrorKind::Corrupt, "the tag directory holds a tag without a name", path());
        for (const Entry& seen : entries)
            if (sameName(seen.name, name))
                throw Error(ErrorKind::Corrupt, "the tag directory names tag " + name + " twice", path());
        if (offset % kIndexPageSize != 0 || offset < IndexHeader::kSize ||
            static_cast<uint64_t>(offset) + IndexHeader::kSize > file_->size())
            throw Error(ErrorKind::Corrupt,
                        "tag " + name + ": header offset " + std::to_string(offset) + " is not a header in the file",
                        path());
        entries.push_back({name, offset});
    }
    // Creation order is the order of the headers in the file.
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.offset < b.offset; });
    for (size_t i = 1; i < entries.size(); ++i)
        if (entries[i].offset < entries[i - 1].offset + IndexHeader::kSize)
            throw Error(ErrorKind::Corrupt,
                        "tags " + entries[i - 1].name + " and " + entries[i].name + " share header bytes at offset " +
                            std::to_string(entries[i].offset),
                        path());
    std::array<uint8_t, IndexHeader::kSize> bytes;
    for (const Entry& entry : entries) {
        file_->readBytes(entry.offset, bytes.data(), bytes.size());
        Tag tag{IndexTagInfo{}, entry.offset, IndexHeader::parse(bytes.data(), entry.offset, path()), 0, nullptr};
        if (tag.header.keyExpression().empty())
            throw Error(ErrorKind::Corrupt, "tag " + entry.name + " has no key expression", path());
        tag.info.name = entry.name;
        tag.info.keyExpression = tag.header.keyExpression();
        tag.info.forExpression = tag.header.forExpression();
        tag.info.keyLength = tag.header.keyLength();
        tag.info.unique = (tag.header.options() & IndexHeader::kUnique) != 0;
        tag.info.descending = tag.header.descending();
        tag.writtenRoot = tag.header.root();
        file_->reserveHeader(entry.offset, IndexHeader::kSize);
        tags_.push_back(std::move(tag));
    }
    // Root pointers once every header is known, so that none may point into one.
    for (Tag& tag : tags_) {
        const std::string what = "root pointer of tag " + tag.info.name;
        file_->checkPagePointer(tag.header.root(), tag.headerOffset, what.c_str());
        tag.tree = std::make_shared<IndexTree>(*file_, tag.header.root(), IndexLayout{tag.info.keyLength, ' '},
                                               tag.info.name);
    }
}

std::unique_ptr<CdxFile> CdxFile::create(const std::string& path)
{
    IndexHeader header = IndexHeader::make(kDirectoryKeyLength,
                                           IndexHeader::kCompact | IndexHeader::kCompound | IndexHeader::kDirectory,
                                           false, "", "", path);
    File file(path, File::Mode::Create);
    file.write(0, header.bytes().data(), header.bytes().size());
    std::unique_ptr<CdxFile> cdx(new CdxFile());
    cdx->file_ = std::make_unique<IndexPageFile>(std::move(file), IndexHeader::kSize);
    cdx->file_->reserveHeader(0, IndexHeader::kSize);
    cdx->file_->setStoredFreeListHead(0);
    const IndexLayout layout{kDirectoryKeyLength, ' '};
    const uint32_t root = IndexTree::createEmpty(*cdx->file_, layout);
    cdx->directory_ = std::make_shared<IndexTree>(*cdx->file_, root, layout, "tag directory");
    cdx->directoryHeader_ = std::make_unique<IndexHeader>(header);
    cdx->writtenDirectoryRoot_ = 0;  // written by the flush below
    cdx->ready_ = true;
    cdx->flush();
    return cdx;
}

void CdxFile::addTag(const IndexTagInfo& given, IndexEntrySource& entries, const std::function<void(int)>& progress)
{
    file_->requireWritable();
    IndexTagInfo info = given;
    bool nameOk = !info.name.empty() && info.name.size() <= static_cast<size_t>(kDirectoryKeyLength);
    for (size_t i = 0; nameOk && i < info.name.size(); ++i)
        nameOk = isTagNameChar(info.name[i], i == 0);
    if (!nameOk)
        throw Error(ErrorKind::InvalidArgument, "invalid tag name \"" + info.name + "\"", path());
    std::transform(info.name.begin(), info.name.end(), info.name.begin(), upper);
    if (info.keyLength < 1 || info.keyLength > kMaxIndexKeyLength)
        throw Error(ErrorKind::InvalidArgument,
                    "tag " + info.name + ": key length " + std::to_string(info.keyLength) + " is not 1 to 240", path());
    if (!knownKeyType(info.keyType))
        throw Error(ErrorKind::InvalidArgument, "tag " + info.name + ": unknown key type", path());
    if (info.keyExpression.empty())
        throw Error(ErrorKind::InvalidArgument, "tag " + info.name + ": no key expression", path());
    const uint8_t options = static_cast<uint8_t>(IndexHeader::kCompact | IndexHeader::kCompound |
                                                 (info.unique ? IndexHeader::kUnique : 0) |
                                                 (info.forExpression.empty() ? 0 : IndexHeader::kHasFor));
    IndexHeader header = IndexHeader::make(info.keyLength, options, info.descending, info.keyExpression,
                                           info.forExpression, path());
    const std::string key = directoryKey(info.name);

    if (const int existing = findTag(info.name); existing >= 0)
        removeTag(existing);
    file_->trim();
    const uint32_t headerOffset = file_->allocateAtEnd(IndexHeader::kSize);
    file_->reserveHeader(headerOffset, IndexHeader::kSize);
    const IndexLayout layout{info.keyLength, padFor(info.keyType)};
    uint32_t root = 0;
    try {
        if (!scratch_)
            scratch_ = std::make_unique<IndexBuildScratch>();
        root = IndexBuilder::build(*file_, layout, entries, info.unique, progress, *scratch_);
    } catch (...) {
        // The header pages become ordinary free pages.
        file_->reserveHeader(headerOffset, IndexHeader::kSize, false);
        file_->freePage(headerOffset);
        file_->freePage(headerOffset + kIndexPageSize);
        throw;
    }
    header.setRoot(root);
    file_->writeBytes(headerOffset, header.bytes().data(), header.bytes().size());
    directory_->insert(key, headerOffset, true);
    Tag tag{info, headerOffset, header, root, std::make_shared<IndexTree>(*file_, root, layout, info.name)};
    tags_.push_back(std::move(tag));
}

void CdxFile::removeTag(int index)
{
    file_->requireWritable();
    Tag& tag = tagAt(index);
    file_->trim();
    tag.tree->freeAllPages();
    tag.tree->retire();
    if (!directory_->remove(directoryKey(tag.info.name), tag.headerOffset))
        throw Error(ErrorKind::Corrupt, "the tag directory lacks tag " + tag.info.name, path());
    file_->reserveHeader(tag.headerOffset, IndexHeader::kSize, false);
    file_->freePage(tag.headerOffset);
    file_->freePage(tag.headerOffset + kIndexPageSize);
    tags_.erase(tags_.begin() + index);
}

bool CdxFile::insert(int tag, std::string_view key, uint32_t recno)
{
    Tag& t = usableTag(tag);
    if (key.size() != static_cast<size_t>(t.info.keyLength) || recno == 0)
        throw Error(ErrorKind::InvalidArgument,
                    "tag " + t.info.name + ": a key of " + std::to_string(key.size()) + " bytes for record " +
                        std::to_string(recno) + " (key length " + std::to_string(t.info.keyLength) + ")",
                    path());
    scratch_.reset();
    file_->trim();
    return t.tree->insert(key, recno, t.info.unique);
}

bool CdxFile::remove(int tag, std::string_view key, uint32_t recno)
{
    Tag& t = usableTag(tag);
    if (key.size() != static_cast<size_t>(t.info.keyLength))
        throw Error(ErrorKind::InvalidArgument,
                    "tag " + t.info.name + ": a key of " + std::to_string(key.size()) + " bytes (key length " +
                        std::to_string(t.info.keyLength) + ")",
                    path());
    scratch_.reset();
    file_->trim();
    return t.tree->remove(key, recno);
}

void CdxFile::clear()
{
    file_->requireWritable();
    // Rewrites the file from scratch: directory header, directory, then each
    // tag's header and empty root in creation order.
    file_->resetTo(0);
    const uint32_t directoryOffset = file_->allocateAtEnd(IndexHeader::kSize);
    file_->reserveHeader(directoryOffset, IndexHeader::kSize);
    const uint32_t directoryRoot = IndexTree::createEmpty(*file_, directory_->layout());
    directory_->setRoot(directoryRoot);
    directoryHeader_->setRoot(directoryRoot);
    directoryHeader_->setFreeList(0);
    file_->writeBytes(0, directoryHeader_->bytes().data(), directoryHeader_->bytes().size());
    writtenDirectoryRoot_ = directoryRoot;
    writtenFreeHead_ = 0;
    for (Tag& tag : tags_) {
        tag.headerOffset = file_->allocateAtEnd(IndexHeader::kSize);
        file_->reserveHeader(tag.headerOffset, IndexHeader::kSize);
        const uint32_t root = IndexTree::createEmpty(*file_, tag.tree->layout());
        tag.header.setRoot(root);
        file_->writeBytes(tag.headerOffset, tag.header.bytes().data(), tag.header.bytes().size());
        tag.writtenRoot = root;
        tag.tree->setRoot(root);
        directory_->insert(directoryKey(tag.info.name), tag.headerOffset, true);
    }
    flush();
}

void CdxFile::flush()
{
    // A file that failed to open (its open() is throwing) is never written.
    if (!ready_ || !file_->writable())
        return;
    file_->flush();
    const uint32_t root = directory_->root();
    const uint32_t freeHead = file_->freeListHead();
    if (root != writtenDirectoryRoot_ || freeHead != writtenFreeHead_) {
        directoryHeader_->setRoot(root);
        directoryHeader_->setFreeList(freeHead);
        file_->writeBytes(0, directoryHeader_->bytes().data(), 8);
        writtenDirectoryRoot_ = root;
        writtenFreeHead_ = freeHead;
    }
    for (Tag& tag : tags_) {
        if (tag.tree->root() != tag.writtenRoot) {
            tag.header.setRoot(tag.tree->root());
            file_->writeBytes(tag.headerOffset, tag.header.bytes().data(), 4);
            tag.writtenRoot = tag.tree->root();
        }
    }
}

std::unique_ptr<IndexCursor> CdxFile::cursor(int tag)
{
    Tag& t = usableTag(tag);
    scratch_.reset();
    return std::make_unique<IndexCursor>(t.tree, t.info.descending);
}

void CdxFile::setCacheLimit(size_t bytes) { file_->setCacheLimit(bytes); }

IndexVerifyReport CdxFile::verify()
{
    flush();
    IndexVerifyReport report;
    report.pages = file_->pageCount();
    std::vector<uint8_t> pageUse(report.pages, 0);
    auto markHeader = [&](uint32_t offset) {
        for (uint32_t at = offset; at < offset + IndexHeader::kSize; at += kIndexPageSize) {
            pageUse[at / kIndexPageSize] = 2;
            ++report.headerPages;
        }
    };
    markHeader(0);
    for (const Tag& tag : tags_)
        markHeader(tag.headerOffset);
    report.directory = directory_->verify(pageUse, true, true);
    for (const Tag& tag : tags_)
        report.orders.push_back(tag.tree->verify(pageUse, tag.info.keyType != 0, tag.info.unique));
    for (uint32_t page : file_->freePages()) {
        if (pageUse[page / kIndexPageSize] != 0)
            throw Error(ErrorKind::Corrupt, "free page " + std::to_string(page) + " is also in use", path());
        pageUse[page / kIndexPageSize] = 3;
        ++report.freePages;
    }
    report.lostPages = static_cast<uint32_t>(std::count(pageUse.begin(), pageUse.end(), 0));
    return report;
}

}  // namespace xbase
