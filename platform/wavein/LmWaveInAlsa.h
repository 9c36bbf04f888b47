// The seam between wave input and ALSA. Every ALSA call of wave input goes
// through this table, so a test can make a call fail (open with -EBUSY, a read
// with -EIO) or stall (reads that deliver nothing). A device copies the table
// when it opens, so replace entries before waveInOpen and restore them with
// ResetAlsaCalls() (AlsaCallsOverride does that on scope exit).
#pragma once

#include <alsa/asoundlib.h>

namespace lmp::wavein {

struct AlsaCalls {
  // Opens `name` for capture in non-blocking mode. `extraConfigPath` (null
  // or a file in asoundrc syntax) is added to the global configuration for
  // this open only. Negative errno on failure.
  int (*open)(snd_pcm_t** pcm, const char* name, const char* extraConfigPath);
  // Interleaved read/write access, the format, channels and exact rate.
  int (*setParams)(snd_pcm_t* pcm, snd_pcm_format_t format, unsigned channels, unsigned rate);
  int (*start)(snd_pcm_t* pcm);
  snd_pcm_sframes_t (*readi)(snd_pcm_t* pcm, void* buffer, snd_pcm_uframes_t frames);
  // Waits up to timeoutMs for input; see snd_pcm_wait.
  int (*wait)(snd_pcm_t* pcm, int timeoutMs);
  int (*recover)(snd_pcm_t* pcm, int error, int silent);
  // Drops pending input and prepares the PCM for a new start.
  int (*dropAndPrepare)(snd_pcm_t* pcm);
  int (*close)(snd_pcm_t* pcm);
};

// The table in use (process-wide).
AlsaCalls& Alsa();
// Restores the real calls.
void ResetAlsaCalls();

class AlsaCallsOverride {
 public:
  AlsaCallsOverride() = default;
  ~AlsaCallsOverride() { ResetAlsaCalls(); }
  AlsaCallsOverride(const AlsaCallsOverride&) = delete;
  AlsaCallsOverride& operator=(const AlsaCallsOverride&) = delete;
  AlsaCalls* operator->() { return &Alsa(); }
};

}  // namespace lmp::wavein
