#include "Sha256.h"

#include <gtest/gtest.h>

namespace kr70 {

// FIPS 180-4 example digests: the empty message, "abc", and the two-block
// 448-bit message (padding spills into a second block).
TEST(Sha256, KnownDigests) {
    EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    // A million "a": many blocks fed in uneven pieces.
    Sha256 hash;
    const std::string piece(1000, 'a');
    for (int i = 0; i < 1001; ++i) {
        hash.Update(piece.data(), i < 1000 ? 999 : 1000);  // 999,000 + 1,000
    }
    EXPECT_EQ(hash.HexDigest(), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

}  // namespace kr70
