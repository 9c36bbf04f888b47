// Helpers of the fuzz targets: the input bytes as a file that the readers can
// open by path.
#ifndef KR70_FUZZ_FUZZFILE_H
#define KR70_FUZZ_FUZZFILE_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace kr70fuzz {

// A private scratch directory for this process, created on first use.
const std::string& ScratchDirectory();

// Writes the bytes to ScratchDirectory()/name and returns the path.
std::string WriteInput(const std::string& name, const uint8_t* data, std::size_t size);

}  // namespace kr70fuzz

#endif
