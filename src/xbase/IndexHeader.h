#pragma once
// IndexHeader: the 1024-byte header of a compact index — the file header of
// an IDX, the tag directory header and each tag header of a CDX. It keeps
// the bytes as read, so that fields this engine does not use are written
// back unchanged. Internal to the index layer; see FORMAT.md.
#include <array>
#include <cstdint>
#include <string>

namespace xbase {

class IndexHeader {
public:
    static constexpr uint32_t kSize = 1024;
    // Option bits (byte 14).
    static constexpr uint8_t kUnique = 0x01;
    static constexpr uint8_t kHasFor = 0x08;
    static constexpr uint8_t kCompact = 0x20;
    static constexpr uint8_t kCompound = 0x40;
    static constexpr uint8_t kDirectory = 0x80;  // set, with kCompound, on a CDX's tag directory

    // A new header. Throws Error(InvalidArgument) when the expressions do not
    // fit the 512-byte expression pool.
    static IndexHeader make(int keyLength, uint8_t options, bool descending, const std::string& keyExpression,
                            const std::string& forExpression, const std::string& path);
    // Checks and reads a header found at `offset`: the compact flag, the key
    // length (1 to 240) and the expression pool; throws Error(Corrupt).
    static IndexHeader parse(const uint8_t* bytes, uint32_t offset, const std::string& path);

    uint32_t root() const;
    void setRoot(uint32_t root);
    uint32_t freeList() const;
    void setFreeList(uint32_t head);
    int keyLength() const;
    uint8_t options() const { return bytes_[14]; }
    bool descending() const;
    const std::string& keyExpression() const { return keyExpression_; }
    const std::string& forExpression() const { return forExpression_; }
    const std::array<uint8_t, kSize>& bytes() const { return bytes_; }

private:
    std::array<uint8_t, kSize> bytes_{};
    std::string keyExpression_;
    std::string forExpression_;
};

}  // namespace xbase
