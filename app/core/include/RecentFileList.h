// RecentFileList — the 32 most recently used waveform files.
//
// Slots fill in index order; each filled slot carries an age (0 newest … 31
// oldest), an empty slot the age −1. Paths are compared ignoring ASCII case,
// as the workstation always has; a path is at most 259 characters (longer
// paths are not stored).
#ifndef KR70_APP_CORE_RECENTFILELIST_H
#define KR70_APP_CORE_RECENTFILELIST_H

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kr70 {

class RecentFileList {
public:
    static constexpr int32_t kSlots = 32;
    static constexpr size_t kMaxPathLength = 259;

    // Finds the slot holding path; when found with age a, every filled slot
    // younger than a ages by one and the slot becomes the newest. Returns
    // whether it was found.
    bool Touch(const std::string& path);

    // Touches path; when absent, stores it in the first empty slot as the
    // newest (the slots before it age by one), or, with no slot empty,
    // overwrites the oldest slot (every other slot ages by one). A path
    // longer than kMaxPathLength or empty is ignored.
    void Add(const std::string& path);

    // 1 and the path in out for a filled slot, 0 for an empty slot, −1 for an
    // index outside 0 … 31 (out is then untouched).
    int32_t Get(int32_t index, std::string& out) const;

    // Age of slot index (−1 empty or bad index).
    int32_t Age(int32_t index) const;

    // The filled slots' paths in slot order (the order of the combo box).
    std::vector<std::string> FilledPaths() const;

    void Clear();

private:
    struct Slot {
        std::string path;
        int32_t age = -1;
    };
    std::array<Slot, kSlots> slots_{};
};

// ASCII case-blind equality, used for paths and extensions.
bool EqualsIgnoringCase(const std::string& a, const std::string& b);

}  // namespace kr70

#endif
