// A test ALSA capture PCM: an ALSA "file" PCM over a "null" slave whose
// infile is a raw sample file (or a FIFO) the test wrote. While an object
// lives, KR70_ALSA_PCM and KR70_ALSA_CONF point wave input at it.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace kr70test {

class AlsaTestPcm {
 public:
  static constexpr const char* kPcmName = "kr70_test_capture";

  // A temporary folder holding "in.raw" (the samples) and "asound.conf".
  AlsaTestPcm() {
    char pattern[] = "/tmp/kr70-alsa-XXXXXX";
    const char* dir = mkdtemp(pattern);
    folder_ = dir != nullptr ? dir : "";
    infile_ = folder_ + "/in.raw";
    conf_ = folder_ + "/asound.conf";
  }
  ~AlsaTestPcm() {
    unsetenv("KR70_ALSA_PCM");
    unsetenv("KR70_ALSA_CONF");
    std::error_code ignored;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
  }
  AlsaTestPcm(const AlsaTestPcm&) = delete;
  AlsaTestPcm& operator=(const AlsaTestPcm&) = delete;

  bool Ok() const { return !folder_.empty(); }
  const std::string& Folder() const { return folder_; }
  const std::string& InfilePath() const { return infile_; }

  // Writes the raw samples and the configuration, and selects the PCM.
  bool UseSamples(const std::vector<unsigned char>& bytes) {
    std::FILE* f = std::fopen(infile_.c_str(), "wb");
    if (f == nullptr) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = (std::fclose(f) == 0) && ok;
    return ok && Select();
  }
  // Makes the infile a FIFO (the test feeds it) and selects the PCM.
  bool UseFifo() {
    if (mkfifo(infile_.c_str(), 0600) != 0) return false;
    return Select();
  }
  // Selects a PCM name the configuration does not define.
  static void SelectUndefined() {
    setenv("KR70_ALSA_PCM", "kr70_test_undefined_pcm", 1);
    unsetenv("KR70_ALSA_CONF");
  }

 private:
  bool Select() {
    std::FILE* f = std::fopen(conf_.c_str(), "w");
    if (f == nullptr) return false;
    int n = std::fprintf(f,
                         "pcm.%s {\n"
                         "  type file\n"
                         "  slave.pcm { type null }\n"
                         "  file \"/dev/null\"\n"
                         "  infile \"%s\"\n"
                         "  format \"raw\"\n"
                         "}\n",
                         kPcmName, infile_.c_str());
    if (std::fclose(f) != 0 || n <= 0) return false;
    setenv("KR70_ALSA_PCM", kPcmName, 1);
    setenv("KR70_ALSA_CONF", conf_.c_str(), 1);
    return true;
  }

  std::string folder_;
  std::string infile_;
  std::string conf_;
};

}  // namespace kr70test
