#pragma once
// IndexVerifyReport: what CdxFile::verify and IdxFile::verify found in a
// sound file — counts per tree and per page kind. (A damaged file makes
// verify throw Error(Corrupt) instead.)
#include <cstdint>
#include <vector>

namespace xbase {

struct IndexTreeStats {
    uint64_t entries = 0;
    uint32_t leafPages = 0;
    uint32_t interiorPages = 0;
    uint32_t emptyLeaves = 0;    // leaves without entries below the root (other writers leave them)
    int depth = 0;               // 1: the root is a leaf
    uint64_t leafBytesUsed = 0;  // encoded bytes over all leaves (fill factor)
};

struct IndexVerifyReport {
    uint32_t pages = 0;      // 512-byte pages in the file
    uint32_t headerPages = 0;
    uint32_t freePages = 0;
    uint32_t lostPages = 0;  // neither header, tree nor free: wasted, not harmful
    IndexTreeStats directory;            // CDX only
    std::vector<IndexTreeStats> orders;  // per tag in tag order; IDX: one
};

}  // namespace xbase
