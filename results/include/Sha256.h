// SHA-256 of bytes and of files (FIPS 180-4), as 64 lower-case hex digits.
#ifndef KR70_RESULTS_SHA256_H
#define KR70_RESULTS_SHA256_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace kr70 {

class Sha256 {
public:
    Sha256();
    void Update(const void* data, size_t size);
    std::string HexDigest();  // finishes; the object is then spent

private:
    void Block(const unsigned char* block);
    uint32_t state_[8];
    unsigned char buffer_[64];
    size_t buffered_ = 0;
    uint64_t length_ = 0;
};

std::string Sha256Hex(const std::string& bytes);
// Digest of a regular file's content; false (digest empty) when it cannot be
// read. size receives the byte count.
bool Sha256File(const std::string& path, std::string& digest, int64_t* size = nullptr);

}  // namespace kr70

#endif
