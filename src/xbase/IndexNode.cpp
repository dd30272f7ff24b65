#include "xbase/IndexNode.h"

#include <algorithm>
#include <cstring>

#include "xbase/Error.h"

namespace xbase {
namespace {

uint16_t getLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t getLe32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint32_t getBe32(const uint8_t* p)
{
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}
void putLe16(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void putLe32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void putBe32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

// Bits needed to write the value v (at least 1).
int bitsFor(uint32_t v)
{
    int bits = 1;
    while (bits < 32 && (v >> bits) != 0)
        ++bits;
    return bits;
}

// Length of the common prefix of two keys, at most n.
int commonPrefix(const char* a, const char* b, int n)
{
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t x, y;
        std::memcpy(&x, a + i, 8);
        std::memcpy(&y, b + i, 8);
        if (x != y)
            return i + __builtin_ctzll(x ^ y) / 8;  // little-endian: lowest byte first
    }
    while (i < n && a[i] == b[i])
        ++i;
    return i;
}

[[noreturn]] void corrupt(const std::string& path, uint32_t offset, const std::string& what)
{
    throw Error(ErrorKind::Corrupt, "index page at offset " + std::to_string(offset) + ": " + what, path);
}

}  // namespace

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "commonPrefix assumes little-endian words");

IndexLeafFormat IndexLeafFormat::forKeyLength(int keyLength)
{
    IndexLeafFormat format;
    format.dupBits = bitsFor(static_cast<uint32_t>(keyLength));
    format.trailBits = format.dupBits;
    format.minBytes = 3;
    return format;
}

IndexLeafBits indexLeafBits(const IndexLeafFormat& format, uint32_t maxRecno)
{
    IndexLeafBits bits;
    bits.dupBits = format.dupBits;
    bits.trailBits = format.trailBits;
    int need = bitsFor(maxRecno) + format.dupBits + format.trailBits;
    bits.bytes = std::max(format.minBytes, (need + 7) / 8);
    // Spare bits go to the record number, as other writers do, capped by the
    // 32-bit record number mask of the page header.
    bits.recnoBits = std::min(32, bits.bytes * 8 - format.dupBits - format.trailBits);
    return bits;
}

int indexTrailCount(const char* key, int keyLength, char pad)
{
    int n = keyLength;
    while (n > 0 && key[n - 1] == pad)
        --n;
    return keyLength - n;
}

void IndexNode::reset(uint32_t pageOffset, bool isLeaf, const IndexLayout& pageLayout)
{
    offset = pageOffset;
    leaf = isLeaf;
    root = false;
    left = kNoPage;
    right = kNoPage;
    layout = pageLayout;
    format = IndexLeafFormat::forKeyLength(pageLayout.keyLength);
    keys.clear();
    recnos.clear();
    children.clear();
    payload = 0;
    maxRecno = 0;
}

int IndexNode::storedBytes(const char* prev, const char* key) const
{
    const int k = layout.keyLength;
    int trail = std::min(indexTrailCount(key, k, layout.pad), format.trailMax());
    if (prev == nullptr)
        return k - trail;
    int dup = std::min({commonPrefix(prev, key, k - trail), format.dupMax()});
    return k - dup - trail;
}

int IndexNode::encodedSize() const
{
    if (!leaf)
        return count() * (layout.keyLength + 8);
    if (recnos.empty())
        return 0;
    return count() * indexLeafBits(format, maxRecno).bytes + static_cast<int>(payload);
}

bool IndexNode::fits() const
{
    return encodedSize() <= (leaf ? kLeafSpace : kInteriorSpace);
}

void IndexNode::insertLeaf(int pos, const char* key, uint32_t recno)
{
    const char* prev = pos > 0 ? keyAt(pos - 1) : nullptr;
    const char* next = pos < count() ? keyAt(pos) : nullptr;
    int delta = storedBytes(prev, key);
    if (next != nullptr)
        delta += storedBytes(key, next) - storedBytes(prev, next);
    payload = static_cast<uint32_t>(static_cast<int>(payload) + delta);
    keys.insert(keys.begin() + static_cast<std::ptrdiff_t>(static_cast<size_t>(pos) * keyLen()), key,
                key + keyLen());
    recnos.insert(recnos.begin() + pos, recno);
    maxRecno = std::max(maxRecno, recno);
}

void IndexNode::eraseLeaf(int pos)
{
    const char* prev = pos > 0 ? keyAt(pos - 1) : nullptr;
    const char* cur = keyAt(pos);
    const char* next = pos + 1 < count() ? keyAt(pos + 1) : nullptr;
    int delta = -storedBytes(prev, cur);
    if (next != nullptr)
        delta += storedBytes(prev, next) - storedBytes(cur, next);
    payload = static_cast<uint32_t>(static_cast<int>(payload) + delta);
    uint32_t gone = recnos[static_cast<size_t>(pos)];
    auto at = keys.begin() + static_cast<std::ptrdiff_t>(static_cast<size_t>(pos) * keyLen());
    keys.erase(at, at + static_cast<std::ptrdiff_t>(keyLen()));
    recnos.erase(recnos.begin() + pos);
    if (gone == maxRecno)
        maxRecno = recnos.empty() ? 0 : *std::max_element(recnos.begin(), recnos.end());
}

void IndexNode::insertInterior(int pos, const char* key, uint32_t recno, uint32_t child)
{
    keys.insert(keys.begin() + static_cast<std::ptrdiff_t>(static_cast<size_t>(pos) * keyLen()), key,
                key + keyLen());
    recnos.insert(recnos.begin() + pos, recno);
    children.insert(children.begin() + pos, child);
}

void IndexNode::eraseInterior(int pos)
{
    auto at = keys.begin() + static_cast<std::ptrdiff_t>(static_cast<size_t>(pos) * keyLen());
    keys.erase(at, at + static_cast<std::ptrdiff_t>(keyLen()));
    recnos.erase(recnos.begin() + pos);
    children.erase(children.begin() + pos);
}

void IndexNode::setSeparator(int pos, const char* key, uint32_t recno)
{
    std::memcpy(keys.data() + static_cast<size_t>(pos) * keyLen(), key, keyLen());
    recnos[static_cast<size_t>(pos)] = recno;
}

void IndexNode::moveTail(int from, IndexNode& to)
{
    auto keyFrom = keys.begin() + static_cast<std::ptrdiff_t>(static_cast<size_t>(from) * keyLen());
    to.keys.insert(to.keys.end(), keyFrom, keys.end());
    keys.erase(keyFrom, keys.end());
    to.recnos.insert(to.recnos.end(), recnos.begin() + from, recnos.end());
    recnos.erase(recnos.begin() + from, recnos.end());
    if (!leaf) {
        to.children.insert(to.children.end(), children.begin() + from, children.end());
        children.erase(children.begin() + from, children.end());
    } else {
        recomputeLeafSizes();
        to.recomputeLeafSizes();
    }
}

void IndexNode::recomputeLeafSizes()
{
    payload = 0;
    maxRecno = 0;
    for (int i = 0; i < count(); ++i) {
        payload += static_cast<uint32_t>(storedBytes(i > 0 ? keyAt(i - 1) : nullptr, keyAt(i)));
        maxRecno = std::max(maxRecno, recnos[static_cast<size_t>(i)]);
    }
}

void IndexNode::decode(const uint8_t* page, uint32_t pageOffset, const IndexLayout& pageLayout,
                       const std::string& path)
{
    const uint16_t attributes = getLe16(page);
    if (attributes > 3)
        corrupt(path, pageOffset, "unknown page type " + std::to_string(attributes));
    reset(pageOffset, (attributes & 2) != 0, pageLayout);
    root = (attributes & 1) != 0;
    const int n = getLe16(page + 2);
    left = getLe32(page + 4);
    right = getLe32(page + 8);
    const int k = pageLayout.keyLength;
    const size_t kl = keyLen();

    if (!leaf) {
        if (n == 0 || n > interiorCapacity())
            corrupt(path, pageOffset, "interior page claims " + std::to_string(n) + " keys; 1 to " +
                                          std::to_string(interiorCapacity()) + " fit");
        keys.resize(static_cast<size_t>(n) * kl);
        recnos.resize(static_cast<size_t>(n));
        children.resize(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            const uint8_t* entry = page + 12 + static_cast<size_t>(i) * (kl + 8);
            std::memcpy(keys.data() + static_cast<size_t>(i) * kl, entry, kl);
            recnos[static_cast<size_t>(i)] = getBe32(entry + kl);
            children[static_cast<size_t>(i)] = getBe32(entry + kl + 4);
        }
        return;
    }

    if (n == 0)
        return;  // an empty root; its bit fields carry nothing
    const uint32_t recMask = getLe32(page + 14);
    const int dupMask = page[18];
    const int trailMask = page[19];
    const int recBits = page[20];
    const int dupBits = page[21];
    const int trailBits = page[22];
    const int bytes = page[23];
    auto mask = [](int bits) { return bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1u; };
    if (bytes < 1 || bytes > 8 || recBits < 1 || recBits > 32 || dupBits > 8 || trailBits > 8 ||
        recBits + dupBits + trailBits > bytes * 8)
        corrupt(path, pageOffset,
                "impossible leaf bit widths (record " + std::to_string(recBits) + ", duplicate " +
                    std::to_string(dupBits) + ", trailing " + std::to_string(trailBits) + " in " +
                    std::to_string(bytes) + " bytes)");
    if (recMask != mask(recBits) || static_cast<uint32_t>(dupMask) != mask(dupBits) ||
        static_cast<uint32_t>(trailMask) != mask(trailBits))
        corrupt(path, pageOffset, "leaf masks disagree with their bit widths");
    if (n * bytes > kLeafSpace)
        corrupt(path, pageOffset, "leaf claims " + std::to_string(n) + " entries of " +
                                      std::to_string(bytes) + " bytes; they do not fit the page");
    format.dupBits = dupBits;
    format.trailBits = trailBits;
    format.minBytes = std::min(3, bytes);

    keys.resize(static_cast<size_t>(n) * kl);
    recnos.resize(static_cast<size_t>(n));
    const int entriesEnd = 24 + n * bytes;
    int keyPos = static_cast<int>(kIndexPageSize);
    for (int i = 0; i < n; ++i) {
        uint64_t packed = 0;
        const uint8_t* entry = page + 24 + i * bytes;
        for (int b = bytes - 1; b >= 0; --b)
            packed = (packed << 8) | entry[b];
        const uint32_t recno = static_cast<uint32_t>(packed & recMask);
        const int dup = static_cast<int>((packed >> recBits) & static_cast<uint64_t>(dupMask));
        const int trail = static_cast<int>((packed >> (recBits + dupBits)) & static_cast<uint64_t>(trailMask));
        const std::string where = "leaf entry " + std::to_string(i) + ": ";
        if (recno == 0)
            corrupt(path, pageOffset, where + "record number 0");
        if (dup + trail > k)
            corrupt(path, pageOffset, where + "duplicate count " + std::to_string(dup) + " plus trailing count " +
                                          std::to_string(trail) + " exceed the key length " + std::to_string(k));
        if (i == 0 && dup != 0)
            corrupt(path, pageOffset, where + "first key of the page repeats bytes of no previous key");
        const int stored = k - dup - trail;
        keyPos -= stored;
        if (keyPos < entriesEnd)
            corrupt(path, pageOffset, where + "key bytes run into the entry table");
        char* out = keys.data() + static_cast<size_t>(i) * kl;
        if (dup > 0)
            std::memcpy(out, out - kl, static_cast<size_t>(dup));
        std::memcpy(out + dup, page + keyPos, static_cast<size_t>(stored));
        std::memset(out + dup + stored, pageLayout.pad, static_cast<size_t>(trail));
        recnos[static_cast<size_t>(i)] = recno;
    }
    // Sizes by this engine's rules, which never store more than the page did.
    recomputeLeafSizes();
}

void IndexNode::encode(uint8_t* page) const
{
    if (leaf) {
        encodeIndexLeaf(page, root, left, right, layout, format, count(), keys.data(), recnos.data(), maxRecno);
        return;
    }
    std::memset(page, 0, kIndexPageSize);
    putLe16(page, root ? 1u : 0u);
    putLe16(page + 2, static_cast<uint32_t>(count()));
    putLe32(page + 4, left);
    putLe32(page + 8, right);
    const size_t kl = keyLen();
    for (int i = 0; i < count(); ++i) {
        uint8_t* entry = page + 12 + static_cast<size_t>(i) * (kl + 8);
        std::memcpy(entry, keyAt(i), kl);
        putBe32(entry + kl, recnos[static_cast<size_t>(i)]);
        putBe32(entry + kl + 4, children[static_cast<size_t>(i)]);
    }
}

void encodeIndexLeaf(uint8_t* page, bool root, uint32_t left, uint32_t right, const IndexLayout& layout,
                     const IndexLeafFormat& format, int count, const char* keys, const uint32_t* recnos,
                     uint32_t maxRecno)
{
    std::memset(page, 0, kIndexPageSize);
    putLe16(page, 2u | (root ? 1u : 0u));
    putLe16(page + 2, static_cast<uint32_t>(count));
    putLe32(page + 4, left);
    putLe32(page + 8, right);
    const IndexLeafBits bits = indexLeafBits(format, std::max<uint32_t>(maxRecno, 1));
    const int k = layout.keyLength;
    const size_t kl = static_cast<size_t>(k);
    const uint32_t recMask = bits.recnoBits >= 32 ? 0xFFFFFFFFu : (1u << bits.recnoBits) - 1u;
    putLe32(page + 14, recMask);
    page[18] = static_cast<uint8_t>(format.dupMax());
    page[19] = static_cast<uint8_t>(format.trailMax());
    page[20] = static_cast<uint8_t>(bits.recnoBits);
    page[21] = static_cast<uint8_t>(bits.dupBits);
    page[22] = static_cast<uint8_t>(bits.trailBits);
    page[23] = static_cast<uint8_t>(bits.bytes);
    int keyPos = static_cast<int>(kIndexPageSize);
    for (int i = 0; i < count; ++i) {
        const char* key = keys + static_cast<size_t>(i) * kl;
        const int trail = std::min(indexTrailCount(key, k, layout.pad), format.trailMax());
        const int dup = i == 0 ? 0 : std::min(commonPrefix(key - kl, key, k - trail), format.dupMax());
        const int stored = k - dup - trail;
        keyPos -= stored;
        std::memcpy(page + keyPos, key + dup, static_cast<size_t>(stored));
        const uint64_t packed = recnos[i] | (static_cast<uint64_t>(dup) << bits.recnoBits) |
                                (static_cast<uint64_t>(trail) << (bits.recnoBits + bits.dupBits));
        uint8_t* entry = page + 24 + i * bits.bytes;
        for (int b = 0; b < bits.bytes; ++b)
            entry[b] = static_cast<uint8_t>(packed >> (8 * b));
    }
    putLe16(page + 12, static_cast<uint32_t>(keyPos - 24 - count * bits.bytes));
}

size_t IndexNode::memoryBytes() const
{
    return sizeof(IndexNode) + keys.capacity() + (recnos.capacity() + children.capacity()) * sizeof(uint32_t);
}

}  // namespace xbase
