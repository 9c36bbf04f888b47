#include "SimSettings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace lmp::cardhw {
namespace {

bool ParseInteger(const std::string& text, int64_t* value) {
  const char* first = text.data();
  const char* last = first + text.size();
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    first += 2;
    base = 16;
  }
  auto [end, ec] = std::from_chars(first, last, *value, base);
  return ec == std::errc() && end == last && first != last;
}

bool ParseNumber(const std::string& text, double* value) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

bool ParseSwitch(const std::string& text, bool* value) {
  if (text == "on" || text == "1" || text == "yes") *value = true;
  else if (text == "off" || text == "0" || text == "no") *value = false;
  else return false;
  return true;
}

// Reads the samples of a mono PCM WAV (16-bit, or 8-bit widened).
bool ReadWav(const std::string& path, std::vector<int16_t>* samples, std::string* error) {
  // Non-blocking open and a regular-file check: a FIFO is refused, not waited for.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  struct stat status {};
  if (fd < 0 || ::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    *error = path + ": " + (fd < 0 ? std::strerror(errno) : "not a regular file");
    if (fd >= 0) ::close(fd);
    return false;
  }
  FILE* file = ::fdopen(fd, "rb");
  if (!file) {
    ::close(fd);
    *error = path + ": " + std::strerror(errno);
    return false;
  }
  std::vector<unsigned char> bytes;
  unsigned char chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
  bool readFailed = std::ferror(file) != 0;
  if (std::fclose(file) != 0 || readFailed) {
    *error = path + ": read failed";
    return false;
  }
  auto u16 = [&](size_t at) { return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8; };
  auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
  if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
      std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
    *error = path + ": not a WAV file";
    return false;
  }
  unsigned channels = 0, bits = 0, format = 0;
  for (size_t at = 12; at + 8 <= bytes.size();) {
    uint32_t size = u32(at + 4);
    size_t body = at + 8;
    size_t available = bytes.size() - body;
    if (std::memcmp(&bytes[at], "fmt ", 4) == 0 && size >= 16 && available >= 16) {
      format = u16(body);
      channels = u16(body + 2);
      bits = u16(body + 14);
    } else if (std::memcmp(&bytes[at], "data", 4) == 0) {
      if (format != 1 || channels != 1 || (bits != 16 && bits != 8)) {
        *error = path + ": not a mono 8- or 16-bit PCM WAV";
        return false;
      }
      size_t length = std::min<size_t>(size, available);
      if (bits == 16) {
        for (size_t i = 0; i + 1 < length; i += 2) samples->push_back(int16_t(u16(body + i)));
      } else {
        for (size_t i = 0; i < length; ++i) samples->push_back(int16_t((int(bytes[body + i]) - 128) * 256));
      }
      if (samples->empty()) {
        *error = path + ": no samples";
        return false;
      }
      return true;
    }
    if (size > available) break;
    at = body + size + (size & 1);
  }
  *error = path + ": no data chunk";
  return false;
}

// A fixed pseudo-random value in [-1, 1] for each (scan, channel).
double Noise(uint64_t scan, unsigned channel) {
  uint64_t x = scan * 0x9E3779B97F4A7C15ull ^ (uint64_t(channel) + 1) * 0xC2B2AE3D27D4EB4Full;
  x ^= x >> 31;
  x *= 0xBF58476D1CE4E5B9ull;
  x ^= x >> 29;
  return double(x >> 11) / double(1ull << 52) - 1.0;  // 53 bits over 2^52: [0, 2)
}

}  // namespace

bool ParseSimOptions(const std::string& options, SimSettings* settings, std::string* error) {
  SimSettings result = *settings;
  size_t at = 0;
  while (at <= options.size()) {
    size_t comma = options.find(',', at);
    std::string item = options.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
    at = comma == std::string::npos ? options.size() + 1 : comma + 1;
    if (item.empty()) continue;
    size_t equals = item.find('=');
    std::string key = item.substr(0, equals);
    std::string value = equals == std::string::npos ? std::string() : item.substr(equals + 1);
    int64_t number = 0;
    double real = 0;
    bool ok = true;
    if (key == "kind") {
      if (value == "unipolar") result.kind = SimSettings::Kind::kUnipolar;
      else if (value == "bipolar") result.kind = SimSettings::Kind::kBipolar;
      else if (value == "other") result.kind = SimSettings::Kind::kOther;
      else ok = false;
    } else if (key == "slot") {
      ok = ParseInteger(value, &number) && number >= 0 && number <= 3;
      if (ok) result.slot = unsigned(number);
    } else if (key == "base") {
      ok = ParseInteger(value, &number) && number >= 0 && number <= 0xFFF0;
      if (ok) result.ioBase = uint16_t(number);
    } else if (key == "irq") {
      ok = ParseInteger(value, &number) && number >= 0 && number <= 15;
      if (ok) result.irq = uint8_t(number);
    } else if (key == "tone") {
      ok = ParseNumber(value, &real) && real >= 0 && real < 1e6;
      if (ok) result.toneHz = real;
    } else if (key == "noise") {
      ok = ParseSwitch(value, &result.noise);
    } else if (key == "clicks") {
      ok = ParseSwitch(value, &result.clicks);
    } else if (key == "wav") {
      result.wavPath = value;
    } else if (key == "trigger" || key == "stoptrigger" || key == "overrun") {
      ok = (value == "off") || (ParseInteger(value, &number) && number >= 0);
      int64_t stored = value == "off" ? -1 : number;
      if (ok && key == "trigger") result.startTriggerMs = stored;
      if (ok && key == "stoptrigger") result.stopTriggerMs = stored;
      if (ok && key == "overrun") result.overrunAfter = stored;
    } else if (key == "timeout") {
      if (value == "reset") result.timeout = sim::RegisterTimeout::kReset;
      else if (value == "fifo") result.timeout = sim::RegisterTimeout::kFifoClear;
      else if (value == "none" || value == "off") result.timeout = sim::RegisterTimeout::kNone;
      else ok = false;
    } else {
      if (error) *error = "unknown simulator option \"" + key + "\"";
      return false;
    }
    if (!ok) {
      if (error) *error = "bad value \"" + value + "\" for simulator option \"" + key + "\"";
      return false;
    }
  }
  *settings = result;
  return true;
}

bool SignalSource::Load(const SimSettings& settings, std::string* error) {
  std::vector<int16_t> samples;
  if (!settings.wavPath.empty()) {
    std::string why;
    if (!ReadWav(settings.wavPath, &samples, &why)) {
      if (error) *error = why;
      return false;
    }
  }
  settings_ = settings;
  wav_ = std::move(samples);
  return true;
}

uint16_t SignalSource::Code(unsigned channel, uint64_t scan, double periodUs) const {
  double value;  // in codes around the mid-scale 2048
  if (!wav_.empty()) {
    value = wav_[scan % wav_.size()] / 16.0;
  } else {
    const double seconds = double(scan) * periodUs * 1e-6;
    const double tone = settings_.toneHz * (1.0 + 0.5 * channel);
    value = 600.0 * std::sin(2.0 * M_PI * tone * seconds);
    if (settings_.noise) value += 20.0 * Noise(scan, channel);
    if (settings_.clicks) {
      // A 1 ms decaying impulse at the start of every 250 ms.
      double sinceClick = std::fmod(seconds, 0.25);
      if (sinceClick < 0.001) value += 1400.0 * std::exp(-sinceClick / 0.0002) * ((scan & 1) ? -1 : 1);
    }
  }
  long code = std::lround(2048.0 + value);
  if (code < 0) code = 0;
  if (code > 4095) code = 4095;
  return uint16_t(code);
}

const char* SimCardName(SimSettings::Kind kind) {
  switch (kind) {
    case SimSettings::Kind::kUnipolar: return "KVX7731U Unipolar A/D PC Card";
    case SimSettings::Kind::kBipolar: return "KVX7731B Bipolar A/D PC Card";
    case SimSettings::Kind::kOther: break;
  }
  return "KVX5520 Serial I/O PC Card";
}

}  // namespace lmp::cardhw
