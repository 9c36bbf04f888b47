#include "LmPlatform.h"

#include <cstdint>

namespace lmp {
namespace {

// Each block carries its size in front of the caller's bytes; the header is
// 16 bytes so the caller's part stays aligned for doubles and 64-bit values.
constexpr uint64_t kMagic = 0x4B5237304D454D31ull;  // marks our blocks
struct alignas(16) BlockHeader {
  uint64_t size;
  uint64_t magic;
};

BlockHeader* HeaderOf(const void* block) {
  return reinterpret_cast<BlockHeader*>(const_cast<char*>(static_cast<const char*>(block)) -
                                        sizeof(BlockHeader));
}

}  // namespace

void* GlobalAlloc(size_t bytes) {
  if (bytes == 0 || bytes > SIZE_MAX - sizeof(BlockHeader)) return nullptr;
  void* raw = Os().calloc(1, sizeof(BlockHeader) + bytes);
  if (!raw) return nullptr;
  auto* header = static_cast<BlockHeader*>(raw);
  header->size = bytes;
  header->magic = kMagic;
  return header + 1;
}

void GlobalFree(void* block) {
  if (!block) return;
  BlockHeader* header = HeaderOf(block);
  header->magic = 0;
  Os().free(header);
}

size_t GlobalSize(const void* block) {
  if (!block) return 0;
  const BlockHeader* header = HeaderOf(block);
  return header->magic == kMagic ? static_cast<size_t>(header->size) : 0;
}

}  // namespace lmp
