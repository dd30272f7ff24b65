#include "xbase/IndexHeader.h"

#include <cstring>

#include "xbase/ByteOrder.h"
#include "xbase/Error.h"
#include "xbase/IndexNode.h"

namespace xbase {
namespace {

constexpr uint32_t kPool = 512;          // expression pool: bytes 512..1023
constexpr uint32_t kPoolSize = 512;

// The text up to the first NUL within [start, start + length) of the pool.
std::string poolText(const uint8_t* pool, uint32_t start, uint32_t length)
{
    const auto* begin = reinterpret_cast<const char*>(pool + start);
    const void* nul = std::memchr(begin, 0, length);
    return std::string(begin, nul != nullptr ? static_cast<const char*>(nul) - begin : length);
}

}  // namespace

IndexHeader IndexHeader::make(int keyLength, uint8_t options, bool descending, const std::string& keyExpression,
                              const std::string& forExpression, const std::string& path)
{
    if (keyExpression.size() + forExpression.size() + 2 > kPoolSize)
        throw Error(ErrorKind::InvalidArgument, "the key and FOR expressions are longer than an index header holds",
                    path);
    IndexHeader header;
    uint8_t* b = header.bytes_.data();
    putLe32(b + 4, 0);
    putLe16(b + 12, static_cast<uint32_t>(keyLength));
    b[14] = options;
    b[15] = 1;  // signature
    // Header and page length, as other writers of this format record them.
    putLe16(b + 16, kSize);
    putLe16(b + 18, kIndexPageSize);
    putLe16(b + 502, descending ? 1 : 0);
    // Pool: key expression, NUL, FOR expression, NUL.
    const auto keyLen = static_cast<uint32_t>(keyExpression.size() + 1);
    const auto forLen = static_cast<uint32_t>(forExpression.size() + 1);
    std::memcpy(b + kPool, keyExpression.data(), keyExpression.size());
    std::memcpy(b + kPool + keyLen, forExpression.data(), forExpression.size());
    putLe16(b + 504, keyLen);  // where the FOR expression starts
    putLe16(b + 506, forLen);
    putLe16(b + 508, 0);       // where the key expression starts
    putLe16(b + 510, keyLen);
    header.keyExpression_ = keyExpression;
    header.forExpression_ = forExpression;
    return header;
}

IndexHeader IndexHeader::parse(const uint8_t* bytes, uint32_t offset, const std::string& path)
{
    auto fail = [&](const std::string& what) {
        throw Error(ErrorKind::Corrupt, "index header at offset " + std::to_string(offset) + ": " + what, path);
    };
    IndexHeader header;
    std::memcpy(header.bytes_.data(), bytes, kSize);
    const uint8_t* b = header.bytes_.data();
    if ((b[14] & kCompact) == 0)
        fail("not a compact index (options byte " + std::to_string(b[14]) + ")");
    const int keyLength = header.keyLength();
    if (keyLength < 1 || keyLength > kMaxIndexKeyLength)
        fail("key length " + std::to_string(keyLength) + " is not between 1 and " +
             std::to_string(kMaxIndexKeyLength));
    const uint32_t forPos = getLe16(b + 504);
    const uint32_t forLen = getLe16(b + 506);
    const uint32_t keyPos = getLe16(b + 508);
    const uint32_t keyLen = getLe16(b + 510);
    if (keyPos + keyLen > kPoolSize)
        fail("the key expression (" + std::to_string(keyLen) + " bytes at " + std::to_string(keyPos) +
             ") runs past the header");
    header.keyExpression_ = poolText(b + kPool, keyPos, keyLen);
    if (forLen > 1) {
        // Some writers leave the start fields zero: the FOR expression then
        // follows the key expression.
        const uint32_t start = forPos == 0 && keyPos == 0 ? keyLen : forPos;
        if (start + forLen > kPoolSize)
            fail("the FOR expression (" + std::to_string(forLen) + " bytes at " + std::to_string(start) +
                 ") runs past the header");
        header.forExpression_ = poolText(b + kPool, start, forLen);
    }
    return header;
}

uint32_t IndexHeader::root() const { return getLe32(bytes_.data()); }
void IndexHeader::setRoot(uint32_t root) { putLe32(bytes_.data(), root); }
uint32_t IndexHeader::freeList() const { return getLe32(bytes_.data() + 4); }
void IndexHeader::setFreeList(uint32_t head) { putLe32(bytes_.data() + 4, head); }
int IndexHeader::keyLength() const { return static_cast<int>(getLe16(bytes_.data() + 12)); }
bool IndexHeader::descending() const { return getLe16(bytes_.data() + 502) != 0; }

}  // namespace xbase
