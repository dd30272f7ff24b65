#include "xbase/IdxFile.h"

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

char padFor(char keyType) { return keyType == 'C' ? ' ' : '\0'; }

bool knownKeyType(char keyType)
{
    return keyType == 'C' || keyType == 'N' || keyType == 'D' || keyType == 'L';
}

std::string baseName(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

}  // namespace

IdxFile::IdxFile() = default;

IdxFile::~IdxFile()
{
    try {
        flush();
    } catch (...) {
        // A destructor cannot report; callers who need to know call flush() first.
    }
}

const std::string& IdxFile::path() const { return file_->path(); }

std::unique_ptr<IdxFile> IdxFile::create(const std::string& path, const std::string& keyExpression, int keyLength,
                                         char keyType)
{
    IndexTagInfo info;
    info.keyExpression = keyExpression;
    info.keyLength = keyLength;
    info.keyType = keyType;
    return create(path, info);
}

std::unique_ptr<IdxFile> IdxFile::create(const std::string& path, const IndexTagInfo& given)
{
    if (given.keyLength < 1 || given.keyLength > kMaxIndexKeyLength)
        throw Error(ErrorKind::InvalidArgument, "key length " + std::to_string(given.keyLength) + " is not 1 to 240",
                    path);
    if (!knownKeyType(given.keyType))
        throw Error(ErrorKind::InvalidArgument, "unknown key type", path);
    if (given.keyExpression.empty())
        throw Error(ErrorKind::InvalidArgument, "no key expression", path);
    const uint8_t options = static_cast<uint8_t>(IndexHeader::kCompact | (given.unique ? IndexHeader::kUnique : 0) |
                                                 (given.forExpression.empty() ? 0 : IndexHeader::kHasFor));
    IndexHeader header = IndexHeader::make(given.keyLength, options, given.descending, given.keyExpression,
                                           given.forExpression, path);
    File file(path, File::Mode::Create);
    file.write(0, header.bytes().data(), header.bytes().size());
    std::unique_ptr<IdxFile> idx(new IdxFile());
    idx->file_ = std::make_unique<IndexPageFile>(std::move(file), IndexHeader::kSize);
    idx->header_ = std::make_unique<IndexHeader>(header);
    idx->info_ = given;
    idx->info_.name = baseName(path);
    idx->ready_ = true;
    idx->restart(0);
    return idx;
}

// Cuts the file to its header and gives the tree a new empty root (or `root`
// when not 0, already built).
void IdxFile::restart(uint32_t root)
{
    const IndexLayout layout{info_.keyLength, padFor(info_.keyType)};
    if (root == 0) {
        file_->resetTo(IndexHeader::kSize);
        file_->reserveHeader(0, IndexHeader::kSize);
        root = IndexTree::createEmpty(*file_, layout);
    }
    header_->setRoot(root);
    header_->setFreeList(file_->freeListHead());
    file_->writeBytes(0, header_->bytes().data(), header_->bytes().size());
    writtenRoot_ = root;
    writtenFreeHead_ = file_->freeListHead();
    if (tree_)
        tree_->setRoot(root);
    else
        tree_ = std::make_shared<IndexTree>(*file_, root, layout, info_.name);
    flush();
}

std::unique_ptr<IdxFile> IdxFile::open(const std::string& path, bool writable)
{
    File file(path, writable ? File::Mode::ReadWrite : File::Mode::ReadOnly);
    std::unique_ptr<IdxFile> idx(new IdxFile());
    idx->file_ = std::make_unique<IndexPageFile>(std::move(file), IndexHeader::kSize);
    std::array<uint8_t, IndexHeader::kSize> bytes;
    idx->file_->readBytes(0, bytes.data(), bytes.size());
    IndexHeader header = IndexHeader::parse(bytes.data(), 0, path);
    if ((header.options() & IndexHeader::kCompound) != 0)
        throw Error(ErrorKind::NotSupported, "a compound index (CDX), not a single index", path);
    if (header.keyExpression().empty())
        throw Error(ErrorKind::Corrupt, "the index has no key expression", path);
    idx->file_->reserveHeader(0, IndexHeader::kSize);
    idx->file_->setStoredFreeListHead(header.freeList());
    idx->file_->checkPagePointer(header.root(), 0, "root pointer");
    idx->info_.name = baseName(path);
    idx->info_.keyExpression = header.keyExpression();
    idx->info_.forExpression = header.forExpression();
    idx->info_.keyLength = header.keyLength();
    idx->info_.unique = (header.options() & IndexHeader::kUnique) != 0;
    idx->info_.descending = header.descending();
    idx->writtenRoot_ = header.root();
    idx->writtenFreeHead_ = header.freeList();
    idx->tree_ = std::make_shared<IndexTree>(*idx->file_, header.root(), IndexLayout{header.keyLength(), ' '},
                                             idx->info_.name);
    idx->header_ = std::make_unique<IndexHeader>(header);
    idx->ready_ = true;
    return idx;
}

void IdxFile::setKeyType(char keyType)
{
    if (!knownKeyType(keyType))
        throw Error(ErrorKind::InvalidArgument, std::string("unknown key type '") + keyType + "'", path());
    if (info_.keyType != 0 && info_.keyType != keyType)
        throw Error(ErrorKind::InvalidArgument, "the key type is already " + std::string(1, info_.keyType), path());
    info_.keyType = keyType;
    tree_->setPad(padFor(keyType));
}

void IdxFile::requireKeyType() const
{
    if (info_.keyType == 0)
        throw Error(ErrorKind::InvalidArgument, "the key type of the index is not known yet", path());
}

bool IdxFile::insert(std::string_view key, uint32_t recno)
{
    requireKeyType();
    if (key.size() != static_cast<size_t>(info_.keyLength) || recno == 0)
        throw Error(ErrorKind::InvalidArgument,
                    "a key of " + std::to_string(key.size()) + " bytes for record " + std::to_string(recno) +
                        " (key length " + std::to_string(info_.keyLength) + ")",
                    path());
    file_->trim();
    return tree_->insert(key, recno, info_.unique);
}

bool IdxFile::remove(std::string_view key, uint32_t recno)
{
    requireKeyType();
    if (key.size() != static_cast<size_t>(info_.keyLength))
        throw Error(ErrorKind::InvalidArgument,
                    "a key of " + std::to_string(key.size()) + " bytes (key length " +
                        std::to_string(info_.keyLength) + ")",
                    path());
    file_->trim();
    return tree_->remove(key, recno);
}

void IdxFile::rebuild(IndexEntrySource& entries, const std::function<void(int)>& progress)
{
    requireKeyType();
    file_->requireWritable();
    // Start from a bare header so that the new tree is laid out in order.
    file_->resetTo(IndexHeader::kSize);
    file_->reserveHeader(0, IndexHeader::kSize);
    const IndexLayout layout{info_.keyLength, padFor(info_.keyType)};
    uint32_t root = 0;
    try {
        IndexBuildScratch scratch;
        root = IndexBuilder::build(*file_, layout, entries, info_.unique, progress, scratch);
    } catch (...) {
        restart(0);  // leave a sound, empty index behind
        throw;
    }
    restart(root);
}

void IdxFile::clear()
{
    file_->requireWritable();
    restart(0);
}

void IdxFile::flush()
{
    // A file that failed to open is never written.
    if (!ready_ || !file_->writable())
        return;
    file_->flush();
    const uint32_t root = tree_->root();
    const uint32_t freeHead = file_->freeListHead();
    if (root != writtenRoot_ || freeHead != writtenFreeHead_) {
        header_->setRoot(root);
        header_->setFreeList(freeHead);
        file_->writeBytes(0, header_->bytes().data(), 8);
        writtenRoot_ = root;
        writtenFreeHead_ = freeHead;
    }
}

std::unique_ptr<IndexCursor> IdxFile::cursor()
{
    requireKeyType();
    return std::make_unique<IndexCursor>(tree_, info_.descending);
}

void IdxFile::setCacheLimit(size_t bytes) { file_->setCacheLimit(bytes); }

IndexVerifyReport IdxFile::verify()
{
    flush();
    IndexVerifyReport report;
    report.pages = file_->pageCount();
    std::vector<uint8_t> pageUse(report.pages, 0);
    pageUse[0] = pageUse[1] = 2;
    report.headerPages = 2;
    report.orders.push_back(tree_->verify(pageUse, info_.keyType != 0, info_.unique));
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
