#include "Profile.h"

#include "LmPlatform.h"

namespace kr70 {

StartupSettings loadStartupSettings(Profile& profile, const std::string& programDirectory) {
  StartupSettings settings;
  settings.differenceWaveform = profile.getString("Custom", "DifWave", "") == "ON";
  settings.fileIo = profile.getString("Custom", "FileIO", "") == "ON";
  const int32_t decibel = profile.getInt("Custom", "dB", 2);
  settings.decibelIndex = decibel >= 0 && decibel <= 4 ? decibel : 2;
  settings.defaultDirectory = profile.getString("DirPosPlus", "DirDefaultPlus", "");
  if (settings.defaultDirectory.empty()) {
    std::string directory = programDirectory;
    while (directory.size() > 1 && directory.back() == '/') directory.pop_back();
    // An installed program keeps its data in the user's data directory.
    directory = lmp::WritableOrUserDirectory(directory, lmp::UserDirectory::Data);
    settings.defaultDirectory = directory + "/Data";
    profile.setString("DirPosPlus", "DirDefaultPlus", settings.defaultDirectory);
  }
  if (profile.getInt("DirPosPlus", "DirDefSetPlus", 2) == 2) profile.setInt("DirPosPlus", "DirDefSetPlus", 0);
  return settings;
}

std::string openDialogDirectory(Profile& profile) {
  const std::string defaultDirectory = profile.getString("DirPosPlus", "DirDefaultPlus", "");
  if (profile.getInt("DirPosPlus", "DirDefSetPlus", 0) == 1) return defaultDirectory;
  return profile.getString("DirPosPlus", "DirOpenPosPlus", defaultDirectory);
}

void rememberOpenDirectory(Profile& profile, const std::string& acceptedPath) {
  const size_t slash = acceptedPath.rfind('/');
  if (slash == std::string::npos) return;
  profile.setString("DirPosPlus", "DirOpenPosPlus", slash == 0 ? "/" : acceptedPath.substr(0, slash));
}

}  // namespace kr70
