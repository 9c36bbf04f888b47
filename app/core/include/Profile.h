#pragma once
// Per-user settings under the company key "Ostrel": sections and keys as the
// workstation has always used them. The Qt program keeps them with QSettings
// (~/.config/Ostrel/KR70.conf); tests use MemoryProfile.
#include <cstdint>
#include <map>
#include <string>

namespace kr70 {

class Profile {
 public:
  virtual ~Profile() = default;
  virtual std::string getString(const std::string& section, const std::string& key,
                                const std::string& fallback) = 0;
  virtual int32_t getInt(const std::string& section, const std::string& key, int32_t fallback) = 0;
  virtual void setString(const std::string& section, const std::string& key,
                         const std::string& value) = 0;
  virtual void setInt(const std::string& section, const std::string& key, int32_t value) = 0;
};

class MemoryProfile final : public Profile {
 public:
  std::string getString(const std::string& section, const std::string& key,
                        const std::string& fallback) override {
    auto it = values.find(section + "/" + key);
    return it == values.end() ? fallback : it->second;
  }
  int32_t getInt(const std::string& section, const std::string& key, int32_t fallback) override {
    auto it = values.find(section + "/" + key);
    return it == values.end() ? fallback : std::stoi(it->second);
  }
  void setString(const std::string& section, const std::string& key, const std::string& value) override {
    values[section + "/" + key] = value;
  }
  void setInt(const std::string& section, const std::string& key, int32_t value) override {
    values[section + "/" + key] = std::to_string(value);
  }
  std::map<std::string, std::string> values;
};

// The settings read at start-up (with the write-backs start-up makes).
struct StartupSettings {
  bool differenceWaveform = false;  // "Custom"/"DifWave" is "ON"
  bool fileIo = false;              // "Custom"/"FileIO" is "ON"
  int decibelIndex = 2;             // "Custom"/"dB", 0..4, otherwise 2
  std::string defaultDirectory;     // "DirPosPlus"/"DirDefaultPlus"
};

// Reads the "Custom" options and the default directories; an empty
// "DirDefaultPlus" becomes programDirectory + "/Data" (the user's XDG data
// directory + "/Data" when the program directory is not writable) and an absent
// "DirDefSetPlus" becomes 0, both written back.
StartupSettings loadStartupSettings(Profile& profile, const std::string& programDirectory);

// Directory an open dialog starts in: the default data directory when
// "DirDefSetPlus" is 1, else the last open directory (default: the default
// data directory).
std::string openDialogDirectory(Profile& profile);
// Remembers the directory of a file accepted in an open dialog.
void rememberOpenDirectory(Profile& profile, const std::string& acceptedPath);

}  // namespace kr70
