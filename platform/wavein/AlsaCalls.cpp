// The real ALSA calls behind the wave-input seam.
#include "LmWaveInAlsa.h"

#include <cerrno>
#include <cstdarg>
#include <mutex>

namespace lmp::wavein {
namespace {

// ALSA prints its own errors to stderr; a library of ours prints nothing.
void SilentAlsaErrorHandler(const char*, int, const char*, int, const char*, ...) {}

void SilenceAlsaOnce() {
  static std::once_flag once;
  std::call_once(once, [] { snd_lib_error_set_handler(SilentAlsaErrorHandler); });
}

// The global configuration with the extra file's definitions added, as a
// private tree for one open.
int LoadConfigWithExtra(const char* extraConfigPath, snd_config_t** tree) {
  snd_config_t* global = nullptr;
  int err = snd_config_update_ref(&global);
  if (err < 0) return err;
  snd_config_t* copy = nullptr;
  err = snd_config_copy(&copy, global);
  snd_config_unref(global);
  if (err < 0) return err;
  snd_input_t* input = nullptr;
  err = snd_input_stdio_open(&input, extraConfigPath, "r");
  if (err < 0) {
    snd_config_delete(copy);
    return err;
  }
  err = snd_config_load(copy, input);
  snd_input_close(input);
  if (err < 0) {
    snd_config_delete(copy);
    return err;
  }
  *tree = copy;
  return 0;
}

int RealOpen(snd_pcm_t** pcm, const char* name, const char* extraConfigPath) {
  SilenceAlsaOnce();
  if (extraConfigPath == nullptr || extraConfigPath[0] == '\0')
    return snd_pcm_open(pcm, name, SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK);
  snd_config_t* tree = nullptr;
  int err = LoadConfigWithExtra(extraConfigPath, &tree);
  if (err < 0) return err;
  err = snd_pcm_open_lconf(pcm, name, SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK, tree);
  // The PCM keeps what it needs of the tree.
  snd_config_delete(tree);
  return err;
}

int RealSetParams(snd_pcm_t* pcm, snd_pcm_format_t format, unsigned channels, unsigned rate) {
  // Half a second of ALSA buffering; soft resampling allowed so "default"
  // accepts rates the hardware lacks. The rate must come out exact.
  return snd_pcm_set_params(pcm, format, SND_PCM_ACCESS_RW_INTERLEAVED, channels, rate, 1, 500000);
}

int RealStart(snd_pcm_t* pcm) { return snd_pcm_start(pcm); }

snd_pcm_sframes_t RealReadi(snd_pcm_t* pcm, void* buffer, snd_pcm_uframes_t frames) {
  return snd_pcm_readi(pcm, buffer, frames);
}

int RealWait(snd_pcm_t* pcm, int timeoutMs) { return snd_pcm_wait(pcm, timeoutMs); }

int RealRecover(snd_pcm_t* pcm, int error, int silent) { return snd_pcm_recover(pcm, error, silent); }

int RealDropAndPrepare(snd_pcm_t* pcm) {
  int err = snd_pcm_drop(pcm);
  if (err < 0) return err;
  return snd_pcm_prepare(pcm);
}

int RealClose(snd_pcm_t* pcm) { return snd_pcm_close(pcm); }

constexpr AlsaCalls kRealCalls = {RealOpen,  RealSetParams, RealStart,          RealReadi,
                                  RealWait,  RealRecover,   RealDropAndPrepare, RealClose};

AlsaCalls g_calls = kRealCalls;

}  // namespace

AlsaCalls& Alsa() { return g_calls; }

void ResetAlsaCalls() { g_calls = kRealCalls; }

}  // namespace lmp::wavein
