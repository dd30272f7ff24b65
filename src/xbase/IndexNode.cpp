#include "xbase/IndexNode.h"

#include <algorithm>
#include <cstring>

#include "xbase/ByteOrder.h"
#include "xbase/Error.h"

namespace xbase {
namespace {

// Bits needed to write the value v (at least 1).
int bitsFor(uint32_t v)
{
    return v == 0 ? 1 : 32 - __builtin_clz(v);
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

// Copies n bytes in 16-byte steps: it may read and write up to 15 bytes past
// n, which callers make room for. Short fixed-size copies compile to single
// moves, where a library call per key byte run would dominate decoding.
inline void copyOver(char* dst, const char* src, int n)
{
    for (int i = 0; i < n; i += 16)
        std::memcpy(dst + i, src + i, 16);
}

inline void fillOver(char* dst, char pad, int n)
{
    char block[16];
    std::memset(block, pad, sizeof block);
    for (int i = 0; i < n; i += 16)
        std::memcpy(dst + i, block, 16);
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
    // Eight bytes at a time: keys are often mostly pad.
    const uint64_t padWord = 0x0101010101010101ull * static_cast<unsigned char>(pad);
    int n = keyLength;
    for (uint64_t word; n >= 8; n -= 8) {
        std::memcpy(&word, key + n - 8, 8);
        if (word != padWord)
            break;
    }
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
    dups.clear();
    trails.clear();
    payload = 0;
    maxRecno = 0;
}

int IndexNode::storedBytes(const char* prev, const char* key) const
{
    int dup = 0;
    int trail = 0;
    indexLeafCounts(prev, key, layout, format, dup, trail);
    return layout.keyLength - dup - trail;
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
    const int k = layout.keyLength;
    const size_t at = static_cast<size_t>(pos);
    int dup = 0;
    int trail = 0;
    indexLeafCounts(pos > 0 ? keyAt(pos - 1) : nullptr, key, layout, format, dup, trail);
    int delta = k - dup - trail;
    if (pos < count()) {
        // The entry after it is now stored against the new key.
        int nextDup = 0;
        int nextTrail = 0;
        indexLeafCounts(key, keyAt(pos), layout, format, nextDup, nextTrail);
        delta += (dups[at] + trails[at]) - (nextDup + nextTrail);
        dups[at] = static_cast<uint8_t>(nextDup);
        trails[at] = static_cast<uint8_t>(nextTrail);
    }
    payload = static_cast<uint32_t>(static_cast<int>(payload) + delta);
    keys.insert(keys.begin() + static_cast<std::ptrdiff_t>(at * keyLen()), key, key + keyLen());
    recnos.insert(recnos.begin() + pos, recno);
    dups.insert(dups.begin() + pos, static_cast<uint8_t>(dup));
    trails.insert(trails.begin() + pos, static_cast<uint8_t>(trail));
    maxRecno = std::max(maxRecno, recno);
}

void IndexNode::eraseLeaf(int pos)
{
    const int k = layout.keyLength;
    const size_t at = static_cast<size_t>(pos);
    int delta = -(k - dups[at] - trails[at]);
    if (pos + 1 < count()) {
        // The entry after it is now stored against the one before it.
        int nextDup = 0;
        int nextTrail = 0;
        indexLeafCounts(pos > 0 ? keyAt(pos - 1) : nullptr, keyAt(pos + 1), layout, format, nextDup, nextTrail);
        delta += (dups[at + 1] + trails[at + 1]) - (nextDup + nextTrail);
        dups[at + 1] = static_cast<uint8_t>(nextDup);
        trails[at + 1] = static_cast<uint8_t>(nextTrail);
    }
    payload = static_cast<uint32_t>(static_cast<int>(payload) + delta);
    const uint32_t gone = recnos[at];
    auto keyAtPos = keys.begin() + static_cast<std::ptrdiff_t>(at * keyLen());
    keys.erase(keyAtPos, keyAtPos + static_cast<std::ptrdiff_t>(keyLen()));
    recnos.erase(recnos.begin() + pos);
    dups.erase(dups.begin() + pos);
    trails.erase(trails.begin() + pos);
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
        dups.resize(recnos.size());
        trails.resize(recnos.size());
        recomputeLeafSizes();
        to.recomputeLeafSizes();
    }
}

void IndexNode::recomputeLeafSizes()
{
    dups.resize(recnos.size());
    trails.resize(recnos.size());
    payload = 0;
    maxRecno = 0;
    for (int i = 0; i < count(); ++i) {
        int dup = 0;
        int trail = 0;
        indexLeafCounts(i > 0 ? keyAt(i - 1) : nullptr, keyAt(i), layout, format, dup, trail);
        dups[static_cast<size_t>(i)] = static_cast<uint8_t>(dup);
        trails[static_cast<size_t>(i)] = static_cast<uint8_t>(trail);
        payload += static_cast<uint32_t>(layout.keyLength - dup - trail);
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

    // 16 spare bytes for the over-long copies of copyOver and fillOver.
    keys.resize(static_cast<size_t>(n) * kl + 16);
    recnos.resize(static_cast<size_t>(n));
    dups.resize(static_cast<size_t>(n));
    trails.resize(static_cast<size_t>(n));
    const int entriesEnd = 24 + n * bytes;
    const bool wideKeys = k >= 16;  // copying a key onto the next one's place may not overlap
    int keyPos = static_cast<int>(kIndexPageSize);
    for (int i = 0; i < n; ++i) {
        uint64_t packed = 0;
        const uint8_t* entry = page + 24 + i * bytes;
        for (int b = bytes - 1; b >= 0; --b)
            packed = (packed << 8) | entry[b];
        const uint32_t recno = static_cast<uint32_t>(packed & recMask);
        const int dup = static_cast<int>((packed >> recBits) & static_cast<uint64_t>(dupMask));
        const int trail = static_cast<int>((packed >> (recBits + dupBits)) & static_cast<uint64_t>(trailMask));
        if (recno == 0 || dup + trail > k || (i == 0 && dup != 0)) {
            const std::string where = "leaf entry " + std::to_string(i) + ": ";
            if (recno == 0)
                corrupt(path, pageOffset, where + "record number 0");
            if (dup + trail > k)
                corrupt(path, pageOffset, where + "duplicate count " + std::to_string(dup) +
                                              " plus trailing count " + std::to_string(trail) +
                                              " exceed the key length " + std::to_string(k));
            corrupt(path, pageOffset, where + "first key of the page repeats bytes of no previous key");
        }
        const int stored = k - dup - trail;
        keyPos -= stored;
        if (keyPos < entriesEnd)
            corrupt(path, pageOffset, "leaf entry " + std::to_string(i) + ": key bytes run into the entry table");
        char* out = keys.data() + static_cast<size_t>(i) * kl;
        const char* from = reinterpret_cast<const char*>(page) + keyPos;
        if (wideKeys) {
            copyOver(out, out - kl, dup);
            if (keyPos + ((stored + 15) & ~15) <= static_cast<int>(kIndexPageSize))
                copyOver(out + dup, from, stored);
            else
                std::memcpy(out + dup, from, static_cast<size_t>(stored));
            fillOver(out + dup + stored, pageLayout.pad, trail);
        } else {
            if (dup > 0)
                std::memcpy(out, out - kl, static_cast<size_t>(dup));
            std::memcpy(out + dup, from, static_cast<size_t>(stored));
            std::memset(out + dup + stored, pageLayout.pad, static_cast<size_t>(trail));
        }
        recnos[static_cast<size_t>(i)] = recno;
        dups[static_cast<size_t>(i)] = static_cast<uint8_t>(dup);
        trails[static_cast<size_t>(i)] = static_cast<uint8_t>(trail);
        payload += static_cast<uint32_t>(stored);
        maxRecno = std::max(maxRecno, recno);
    }
    keys.resize(static_cast<size_t>(n) * kl);
    // Entries keep the counts they were stored with, so that the page
    // encodes again to what was read.
}

void IndexNode::encode(uint8_t* page) const
{
    if (leaf) {
        // At most one entry per byte of the page fits.
        IndexLeafEntry entries[kLeafSpace];
        for (int i = 0; i < count(); ++i) {
            const size_t at = static_cast<size_t>(i);
            entries[i] = {recnos[at], dups[at], trails[at], keyAt(i) + dups[at]};
        }
        packIndexLeaf(page, root, left, right, layout.keyLength, format, maxRecno, entries, count(),
                      keys.data() + keys.size());
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

void indexLeafCounts(const char* prev, const char* key, const IndexLayout& layout, const IndexLeafFormat& format,
                     int& dup, int& trail)
{
    const int k = layout.keyLength;
    trail = std::min(indexTrailCount(key, k, layout.pad), format.trailMax());
    dup = prev == nullptr ? 0 : std::min(commonPrefix(prev, key, k - trail), format.dupMax());
}

void packIndexLeaf(uint8_t* page, bool root, uint32_t left, uint32_t right, int keyLength,
                   const IndexLeafFormat& format, uint32_t maxRecno, const IndexLeafEntry* entries, int count,
                   const char* sourceEnd)
{
    std::memset(page, 0, kIndexPageSize);
    putLe16(page, 2u | (root ? 1u : 0u));
    putLe16(page + 2, static_cast<uint32_t>(count));
    putLe32(page + 4, left);
    putLe32(page + 8, right);
    const IndexLeafBits bits = indexLeafBits(format, std::max<uint32_t>(maxRecno, 1));
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
        const IndexLeafEntry& e = entries[i];
        keyPos -= keyLength - e.dup - e.trail;
        const uint64_t packed = e.recno | (static_cast<uint64_t>(e.dup) << bits.recnoBits) |
                                (static_cast<uint64_t>(e.trail) << (bits.recnoBits + bits.dupBits));
        uint8_t* entry = page + 24 + i * bits.bytes;
        for (int b = 0; b < bits.bytes; ++b)
            entry[b] = static_cast<uint8_t>(packed >> (8 * b));
    }
    // Key bytes from the last entry (lowest in the page) up, so that a copy
    // running past its key only touches bytes written after it.
    int at = keyPos;
    for (int i = count - 1; i >= 0; --i) {
        const IndexLeafEntry& e = entries[i];
        const int stored = keyLength - e.dup - e.trail;
        char* to = reinterpret_cast<char*>(page) + at;
        const int rounded = (stored + 15) & ~15;
        if (at + rounded <= static_cast<int>(kIndexPageSize) && e.stored + rounded <= sourceEnd)
            copyOver(to, e.stored, stored);
        else
            std::memcpy(to, e.stored, static_cast<size_t>(stored));
        at += stored;
    }
    putLe16(page + 12, static_cast<uint32_t>(keyPos - 24 - count * bits.bytes));
}

IndexPageInsert indexLeafPageInsert(uint8_t* page, uint32_t pageOffset, const IndexLayout& layout, const char* key,
                                    uint32_t recno, const std::string& path)
{
    IndexPageInsert result;
    const int n = getLe16(page + 2);
    if ((getLe16(page) & 2) == 0 || n == 0)
        return result;
    const uint32_t recMask = getLe32(page + 14);
    const int recBits = page[20];
    const int dupBits = page[21];
    const int trailBits = page[22];
    const int bytes = page[23];
    auto mask = [](int bits) { return bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1u; };
    if (bytes < 1 || bytes > 8 || recBits < 1 || recBits > 32 || dupBits > 8 || trailBits > 8 ||
        recBits + dupBits + trailBits > bytes * 8 || recMask != mask(recBits) || page[18] != mask(dupBits) ||
        page[19] != mask(trailBits) || n * bytes > IndexNode::kLeafSpace)
        corrupt(path, pageOffset, "leaf header fields do not fit together");
    if (recno > recMask)
        return result;  // the entries must be repacked wider
    const int k = layout.keyLength;
    IndexLeafFormat format;
    format.dupBits = dupBits;
    format.trailBits = trailBits;
    format.minBytes = bytes;

    const uint64_t entryMask = bytes >= 8 ? ~uint64_t{0} : (uint64_t{1} << (8 * bytes)) - 1;
    auto unpack = [&](int i, uint32_t& r, int& dup, int& trail) {
        const uint8_t* entry = page + 24 + i * bytes;
        uint64_t packed = 0;
        if (24 + i * bytes + 8 <= static_cast<int>(kIndexPageSize)) {
            std::memcpy(&packed, entry, 8);  // one load; the bytes past the entry are masked off
            packed &= entryMask;
        } else {
            for (int b = bytes - 1; b >= 0; --b)
                packed = (packed << 8) | entry[b];
        }
        r = static_cast<uint32_t>(packed & recMask);
        dup = static_cast<int>((packed >> recBits) & mask(dupBits));
        trail = static_cast<int>((packed >> (recBits + dupBits)) & mask(trailBits));
        if (r == 0 || dup + trail > k || (i == 0 && dup != 0))
            corrupt(path, pageOffset, "leaf entry " + std::to_string(i) + ": impossible counts or record number");
    };
    auto pack = [&](int i, uint32_t r, int dup, int trail) {
        const uint64_t packed = r | (static_cast<uint64_t>(dup) << recBits) |
                                (static_cast<uint64_t>(trail) << (recBits + dupBits));
        uint8_t* entry = page + 24 + i * bytes;
        for (int b = 0; b < bytes; ++b)
            entry[b] = static_cast<uint8_t>(packed >> (8 * b));
    };

    // Find the first entry not less than the new one, comparing on the
    // page's stored bytes: an entry's first `dup` bytes are the previous
    // key's, and the previous key agrees with the new one on `match` bytes
    // and is smaller at the next. An entry repeating more than that is
    // smaller too; else the comparison starts at its stored bytes.
    int16_t starts[IndexNode::kLeafSpace];  // where each entry's stored bytes begin
    const int entriesEnd = 24 + n * bytes;
    int keyPos = static_cast<int>(kIndexPageSize);
    int boundary = keyPos;  // where the stored bytes of entry `pos` end
    int pos = n;
    int match = 0;
    uint32_t nextRecno = 0;
    int nextDup = 0;
    int nextTrail = 0;
    for (int i = 0; i < n; ++i) {
        uint32_t r = 0;
        int dup = 0;
        int trail = 0;
        unpack(i, r, dup, trail);
        const int stored = k - dup - trail;
        if (keyPos - stored < entriesEnd)
            corrupt(path, pageOffset, "leaf entry " + std::to_string(i) + ": key bytes run into the entry table");
        const uint8_t* bytesOf = page + keyPos - stored;
        starts[i] = static_cast<int16_t>(keyPos - stored);
        int c = -1;
        if (dup <= match) {
            int m = dup + commonPrefix(reinterpret_cast<const char*>(bytesOf), key + dup, stored);
            if (m == dup + stored)
                while (m < k && key[m] == layout.pad)
                    ++m;
            if (m < k) {
                const unsigned char mine = m < dup + stored ? bytesOf[m - dup] : static_cast<unsigned char>(layout.pad);
                c = mine < static_cast<unsigned char>(key[m]) ? -1 : 1;
            } else {
                c = r < recno ? -1 : (r > recno ? 1 : 0);
            }
            match = m;
        }
        if (c >= 0) {
            if (c == 0) {
                result.status = IndexPageInsert::Present;
                return result;
            }
            pos = i;
            nextRecno = r;
            nextDup = dup;
            nextTrail = trail;
            break;
        }
        keyPos -= stored;
        boundary = keyPos;
    }
    if (pos == 0)
        return result;  // the caller may append to the leaf before this one
    // The keys on either side of the new entry, rebuilt back to front: each
    // entry gives the bytes from its `dup` on, the entries before it the rest.
    auto rebuildKey = [&](int e, char* out) {
        int need = k;
        for (; need > 0; --e) {
            uint32_t r = 0;
            int dup = 0;
            int trail = 0;
            unpack(e, r, dup, trail);
            if (dup >= need)
                continue;
            const int storedEnd = k - trail;
            if (need > storedEnd)
                std::memset(out + storedEnd, layout.pad, static_cast<size_t>(need - storedEnd));
            std::memcpy(out + dup, page + starts[e], static_cast<size_t>(std::min(need, storedEnd) - dup));
            need = dup;
        }
    };
    char previous[kMaxIndexKeyLength];
    char current[kMaxIndexKeyLength];
    rebuildKey(pos - 1, previous);
    if (pos < n)
        rebuildKey(pos, current);
    // Bytes stored by the rest of the page.
    int restStored = 0;
    for (int i = pos + 1; i < n; ++i) {
        uint32_t r = 0;
        int dup = 0;
        int trail = 0;
        unpack(i, r, dup, trail);
        restStored += k - dup - trail;
    }
    int newDup = 0;
    int newTrail = 0;
    indexLeafCounts(previous, key, layout, format, newDup, newTrail);
    const int newStored = k - newDup - newTrail;
    int nextNewDup = 0;
    int nextNewTrail = 0;
    int nextStored = 0;
    int nextNewStored = 0;
    if (pos < n) {
        indexLeafCounts(key, current, layout, format, nextNewDup, nextNewTrail);
        nextStored = k - nextDup - nextTrail;
        nextNewStored = k - nextNewDup - nextNewTrail;
    }
    const int storedBefore = static_cast<int>(kIndexPageSize) - boundary;
    const int total = storedBefore + newStored + nextNewStored + restStored;
    if (24 + (n + 1) * bytes + total > static_cast<int>(kIndexPageSize))
        return result;  // a split: the caller's work

    // Key bytes below the boundary: new entry, the next one restored against
    // it, then the rest moved as one block.
    const int restOld = boundary - nextStored - restStored;
    const int restNew = boundary - newStored - nextNewStored - restStored;
    std::memmove(page + restNew, page + restOld, static_cast<size_t>(restStored));
    std::memcpy(page + boundary - newStored, key + newDup, static_cast<size_t>(newStored));
    if (pos < n)
        std::memcpy(page + boundary - newStored - nextNewStored, current + nextNewDup,
                    static_cast<size_t>(nextNewStored));
    // Entry table: open a slot at pos.
    std::memmove(page + 24 + (pos + 1) * bytes, page + 24 + pos * bytes, static_cast<size_t>((n - pos) * bytes));
    pack(pos, recno, newDup, newTrail);
    if (pos < n)
        pack(pos + 1, nextRecno, nextNewDup, nextNewTrail);
    // The gap between the table and the keys is zero, as encode leaves it.
    const int tableEnd = 24 + (n + 1) * bytes;
    if (restNew > tableEnd)
        std::memset(page + tableEnd, 0, static_cast<size_t>(restNew - tableEnd));
    putLe16(page + 2, static_cast<uint32_t>(n + 1));
    putLe16(page + 12, static_cast<uint32_t>(restNew - tableEnd));
    result.status = IndexPageInsert::Inserted;
    result.position = pos;
    result.count = n + 1;
    return result;
}

size_t IndexNode::memoryBytes() const
{
    return sizeof(IndexNode) + keys.capacity() + dups.capacity() + trails.capacity() +
           (recnos.capacity() + children.capacity()) * sizeof(uint32_t);
}

}  // namespace xbase
