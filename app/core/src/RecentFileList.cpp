#include "RecentFileList.h"

namespace kr70 {

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y) {
            return false;
        }
    }
    return true;
}

bool RecentFileList::Touch(const std::string& path) {
    for (Slot& found : slots_) {
        if (found.age < 0 || !EqualsIgnoringCase(found.path, path)) {
            continue;
        }
        for (Slot& other : slots_) {
            if (other.age >= 0 && other.age < found.age) {
                ++other.age;
            }
        }
        found.age = 0;
        return true;
    }
    return false;
}

void RecentFileList::Add(const std::string& path) {
    if (path.empty() || path.size() > kMaxPathLength || Touch(path)) {
        return;
    }
    for (int32_t i = 0; i < kSlots; ++i) {
        if (slots_[i].age >= 0) {
            continue;
        }
        for (int32_t j = 0; j < i; ++j) {
            ++slots_[j].age;
        }
        slots_[i].path = path;
        slots_[i].age = 0;
        return;
    }
    for (Slot& slot : slots_) {
        if (slot.age == kSlots - 1) {
            slot.path = path;
            slot.age = 0;
        } else {
            ++slot.age;
        }
    }
}

int32_t RecentFileList::Get(int32_t index, std::string& out) const {
    if (index < 0 || index >= kSlots) {
        return -1;
    }
    if (slots_[index].age < 0) {
        return 0;
    }
    out = slots_[index].path;
    return 1;
}

int32_t RecentFileList::Age(int32_t index) const {
    if (index < 0 || index >= kSlots) {
        return -1;
    }
    return slots_[index].age;
}

std::vector<std::string> RecentFileList::FilledPaths() const {
    std::vector<std::string> paths;
    for (const Slot& slot : slots_) {
        if (slot.age >= 0) {
            paths.push_back(slot.path);
        }
    }
    return paths;
}

void RecentFileList::Clear() { slots_.fill(Slot{}); }

}  // namespace kr70
