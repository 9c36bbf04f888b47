// Wave input over ALSA capture, in the open / prepare / add / start / reset /
// close shape of a multimedia wave-input service.
//
// The device is the ALSA PCM named by the environment variable KR70_ALSA_PCM,
// or "default" when it is unset or empty. When KR70_ALSA_CONF names a file in
// asoundrc syntax, its definitions are added to the ALSA configuration for
// that one open (the global configuration is left alone), so a test or a
// bench set-up can define its own PCM, for example an ALSA "file" PCM whose
// "infile" is a raw sample file.
//
// Flow: waveInOpen, waveInPrepareHeader for each buffer (a header is prepared
// for one device handle only), waveInAddBuffer, waveInStart; the device fills
// the queued buffers in order and sets WHDR_DONE on each full one (dwFlags is
// atomic: poll it from any thread, then read dwBytesRecorded); the owner gives
// a done buffer back with waveInAddBuffer. waveInReset hands back every queued
// buffer at once (marked done, dwBytesRecorded = what it holds), then
// waveInUnprepareHeader and waveInClose.
//
// A device thread reads the PCM in chunks of at most kWaveInChunkFrames frames
// into a bounce buffer and copies them into the queued buffers; samples read
// while no buffer is queued wait in the bounce buffer, so a slow owner loses
// nothing until ALSA itself overruns. ALSA is only called on that thread after
// the open. A device that stops delivering simply leaves its buffers undone;
// the owner bounds its own waits. waveInClose never blocks for long: a device
// thread stuck inside ALSA is left to finish and close the PCM on its own.
//
// Results are MMSYSERR_* / WAVERR_* codes; nothing is thrown or printed
// (ALSA's own error printing is silenced for the process on first open).
#pragma once

#include <atomic>
#include <cstdint>

namespace lmp {

using MMRESULT = uint32_t;

constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_ERROR = 1;        // the device failed (ALSA error)
constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;  // the PCM name is not defined
constexpr MMRESULT MMSYSERR_ALLOCATED = 4;    // the PCM is busy
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
constexpr MMRESULT MMSYSERR_NODRIVER = 6;     // the PCM does not open
constexpr MMRESULT MMSYSERR_NOMEM = 7;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT WAVERR_BADFORMAT = 32;     // format refused by the PCM
constexpr MMRESULT WAVERR_STILLPLAYING = 33;  // buffers are still queued
constexpr MMRESULT WAVERR_UNPREPARED = 34;    // header not prepared for this device

constexpr uint16_t WAVE_FORMAT_PCM = 1;

// dwFlags bits of a WAVEHDR.
constexpr uint32_t WHDR_DONE = 0x01;
constexpr uint32_t WHDR_PREPARED = 0x02;
constexpr uint32_t WHDR_INQUEUE = 0x10;

// Upper bound of one ALSA read of the device thread.
constexpr uint32_t kWaveInChunkFrames = 1024;

// Mono or stereo PCM: 8-bit unsigned or 16-bit signed little-endian samples.
struct WAVEFORMATEX {
  uint16_t wFormatTag = WAVE_FORMAT_PCM;
  uint16_t nChannels = 1;
  uint32_t nSamplesPerSec = 0;
  uint32_t nAvgBytesPerSec = 0;  // nSamplesPerSec * nBlockAlign
  uint16_t nBlockAlign = 0;      // nChannels * wBitsPerSample / 8
  uint16_t wBitsPerSample = 0;
  uint16_t cbSize = 0;
};

// The owner keeps the header and its buffer alive from prepare to unprepare.
// While WHDR_INQUEUE is set the device owns lpData and dwBytesRecorded.
struct WAVEHDR {
  char* lpData = nullptr;
  uint32_t dwBufferLength = 0;
  uint32_t dwBytesRecorded = 0;
  uintptr_t dwUser = 0;
  std::atomic<uint32_t> dwFlags{0};
  uint32_t dwLoops = 0;
};

struct WaveInDevice;
using HWAVEIN = WaveInDevice*;

// Opens the PCM for capture with the format. *device is null on failure.
MMRESULT waveInOpen(HWAVEIN* device, const WAVEFORMATEX* format);
// Ties the header to this device (sets WHDR_PREPARED). A header prepared for
// another handle must be prepared again for this one.
MMRESULT waveInPrepareHeader(HWAVEIN device, WAVEHDR* header);
// WAVERR_STILLPLAYING while the header is queued.
MMRESULT waveInUnprepareHeader(HWAVEIN device, WAVEHDR* header);
// Queues a prepared buffer: clears WHDR_DONE, sets WHDR_INQUEUE and
// dwBytesRecorded = 0. WAVERR_UNPREPARED when not prepared for this device.
MMRESULT waveInAddBuffer(HWAVEIN device, WAVEHDR* header);
MMRESULT waveInStart(HWAVEIN device);
// Pauses input; the partly filled first buffer is handed back as done.
MMRESULT waveInStop(HWAVEIN device);
// Stops input and hands back every queued buffer, marked done.
MMRESULT waveInReset(HWAVEIN device);
// WAVERR_STILLPLAYING while buffers are queued; otherwise frees the handle.
MMRESULT waveInClose(HWAVEIN device);

// The last ALSA error the device thread met (a negative errno), 0 if none.
// A device with such an error has stopped filling buffers.
int waveInDeviceError(HWAVEIN device);
// Overruns the device thread recovered from (samples were lost in ALSA).
uint32_t waveInOverruns(HWAVEIN device);

}  // namespace lmp
