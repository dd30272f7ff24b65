#include "xbase/MemoFile.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "xbase/ByteOrder.h"
#include "xbase/Error.h"

namespace xbase {
namespace {

constexpr uint32_t kFptHeaderSize = 512;  // FoxPro's header; blocks start at 512 or above
constexpr uint32_t kFptBlockHeader = 8;   // type (4) + length (4), big-endian
constexpr uint32_t kFptTextType = 1;
constexpr uint32_t kDbt4BlockHeader = 8;  // FF FF 08 00 + length (4), little-endian
constexpr uint8_t kDbt3End = 0x1A;

// The first block we hand out: FoxPro leaves 1024 bytes before it (a 512-byte
// header and 512 reserved bytes), rounded up to whole blocks.
uint32_t firstFreeBlock(uint32_t blockSize)
{
    return (2 * kFptHeaderSize + blockSize - 1) / blockSize;
}

}  // namespace

MemoFile::MemoFile(const std::string& path, MemoKind kind, bool writable)
    : MemoFile(File(path, writable ? File::Mode::ReadWrite : File::Mode::ReadOnly), kind)
{
}

MemoFile::MemoFile(File file, MemoKind kind) : file_(std::move(file)), kind_(kind)
{
    readHeader();
}

MemoFile MemoFile::createFpt(const std::string& path, uint32_t blockSize)
{
    if (blockSize == 0 || blockSize > 0xFFFF)
        throw Error(ErrorKind::InvalidArgument, "Memo block size must be 1 to 65535", path);
    {
        File file(path, File::Mode::Create);
        const uint32_t first = firstFreeBlock(blockSize);
        std::vector<unsigned char> header(uint64_t(first) * blockSize, 0);
        putBe32(header.data(), first);
        header[6] = static_cast<unsigned char>(blockSize >> 8);
        header[7] = static_cast<unsigned char>(blockSize);
        file.write(0, header.data(), header.size());
    }
    return MemoFile(path, MemoKind::Fpt, true);
}

void MemoFile::readHeader()
{
    unsigned char header[32] = {};
    file_.readExact(0, header, sizeof header);
    const uint64_t size = file_.size();
    switch (kind_) {
    case MemoKind::Fpt:
        nextFree_ = getBe32(header);
        blockSize_ = uint32_t(header[6]) << 8 | header[7];
        if (blockSize_ == 0)
            throw Error(ErrorKind::Corrupt, "Memo block size is 0 at offset 6", file_.path());
        firstBlock_ = (kFptHeaderSize + blockSize_ - 1) / blockSize_;
        break;
    case MemoKind::Dbt3:
        nextFree_ = getLe32(header);
        blockSize_ = 512;
        firstBlock_ = 1;
        break;
    case MemoKind::Dbt4:
        nextFree_ = getLe32(header);
        blockSize_ = uint32_t(header[20]) | uint32_t(header[21]) << 8;
        if (blockSize_ == 0)
            blockSize_ = 512;
        firstBlock_ = 1;
        break;
    }
    // The next-free pointer of some writers lags behind the file; never
    // allocate over existing data.
    uint64_t blocksInFile = (size + blockSize_ - 1) / blockSize_;
    if (nextFree_ < blocksInFile)
        nextFree_ = static_cast<uint32_t>(std::min<uint64_t>(blocksInFile, UINT32_MAX));
    if (nextFree_ < firstBlock_)
        nextFree_ = firstBlock_;
}

uint64_t MemoFile::blockOffset(uint32_t block) const
{
    if (block < firstBlock_)
        throw Error(ErrorKind::Corrupt,
                    "Memo block " + std::to_string(block) + " lies in the memo header", file_.path());
    uint64_t offset = uint64_t(block) * blockSize_;
    if (offset >= file_.size())
        throw Error(ErrorKind::Corrupt,
                    "Memo block " + std::to_string(block) + " lies past the end of the memo file",
                    file_.path());
    return offset;
}

void MemoFile::read(uint32_t block, std::string& out, size_t maxLength) const
{
    out.clear();
    if (block == 0)
        return;
    const uint64_t offset = blockOffset(block);
    const uint64_t fileSize = file_.size();
    if (kind_ == MemoKind::Dbt3) {
        // Text runs until the 0x1A end mark (or the end of the file).
        char chunk[512];
        uint64_t pos = offset;
        while (out.size() < maxLength && pos < fileSize) {
            size_t n = file_.readSome(pos, chunk, sizeof chunk);
            const void* end = std::memchr(chunk, kDbt3End, n);
            size_t take = end ? size_t(static_cast<const char*>(end) - chunk) : n;
            out.append(chunk, std::min(take, maxLength - out.size()));
            if (end || n == 0)
                break;
            pos += n;
        }
        return;
    }
    unsigned char head[8];
    file_.readExact(offset, head, sizeof head);
    uint64_t length;
    uint64_t dataOffset = offset + 8;
    if (kind_ == MemoKind::Fpt) {
        length = getBe32(head + 4);
    } else {
        if (head[0] != 0xFF || head[1] != 0xFF)
            throw Error(ErrorKind::Corrupt,
                        "Bad memo block signature at offset " + std::to_string(offset), file_.path());
        length = getLe32(head + 4);
        length = length >= kDbt4BlockHeader ? length - kDbt4BlockHeader : 0;
    }
    if (length > fileSize - std::min(fileSize, dataOffset))
        throw Error(ErrorKind::Corrupt,
                    "Memo length " + std::to_string(length) + " at offset " + std::to_string(offset) +
                        " runs past the end of the memo file",
                    file_.path());
    out.resize(static_cast<size_t>(std::min<uint64_t>(length, maxLength)));
    if (!out.empty())
        file_.readExact(dataOffset, out.data(), out.size());
}

uint32_t MemoFile::blocksFor(size_t textLength) const
{
    return static_cast<uint32_t>((kFptBlockHeader + textLength + blockSize_ - 1) / blockSize_);
}

uint32_t MemoFile::blocksUsedAt(uint32_t block) const
{
    unsigned char head[8];
    file_.readExact(blockOffset(block), head, sizeof head);
    return blocksFor(getBe32(head + 4));
}

uint32_t MemoFile::write(uint32_t oldBlock, std::string_view text)
{
    if (kind_ != MemoKind::Fpt)
        throw Error(ErrorKind::NotSupported, "Memo files of dBase tables are read-only here",
                    file_.path());
    if (text.empty())
        return 0;
    if (text.size() > UINT32_MAX - kFptBlockHeader - blockSize_)
        throw Error(ErrorKind::InvalidArgument, "Memo text is too long", file_.path());
    const uint32_t needed = blocksFor(text.size());
    uint32_t block = oldBlock;
    if (block == 0 || blocksUsedAt(block) < needed) {
        block = nextFree_;
        if (uint64_t(block) + needed > UINT32_MAX)
            throw Error(ErrorKind::InvalidArgument, "Memo file is full", file_.path());
    }
    std::vector<unsigned char> data(uint64_t(needed) * blockSize_, 0);
    putBe32(data.data(), kFptTextType);
    putBe32(data.data() + 4, static_cast<uint32_t>(text.size()));
    std::memcpy(data.data() + kFptBlockHeader, text.data(), text.size());
    file_.write(uint64_t(block) * blockSize_, data.data(), data.size());
    if (block == nextFree_)
        setNextFree(block + needed);
    return block;
}

void MemoFile::deferHeader(bool defer)
{
    deferHeader_ = defer;
    if (!defer && headerDirty_)
        setNextFree(nextFree_);
}

void MemoFile::setNextFree(uint32_t block)
{
    nextFree_ = block;
    if (deferHeader_) {
        headerDirty_ = true;
        return;
    }
    headerDirty_ = false;
    unsigned char be[4];
    putBe32(be, block);
    file_.write(0, be, sizeof be);
}

void MemoFile::clear()
{
    if (kind_ != MemoKind::Fpt)
        throw Error(ErrorKind::NotSupported, "Memo files of dBase tables are read-only here",
                    file_.path());
    const uint32_t first = std::max(firstBlock_, firstFreeBlock(blockSize_));
    file_.truncate(uint64_t(first) * blockSize_);
    setNextFree(first);
}

}  // namespace xbase
