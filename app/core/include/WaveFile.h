// WaveFile — reading waveform files and the small file routines around them.
//
// Accepted WAV files: RIFF/WAVE, a format chunk of at least 16 bytes with
// format tag 1 (PCM), one channel, a sample rate from 1 to 2147483647 (what a
// raw-data file can hold) and either 8 bits
// with block align 1 or 16 bits with block align 2, then (after any other
// chunks, each followed by its pad byte when its size is odd) a non-empty
// "data" chunk. Samples become volts: 8-bit (unsigned) v = s × 0.0390625 − 5,
// 16-bit (signed) v = s × 10 / 65534.
//
// Paths are trimmed of blanks at both ends. Nothing here prints or shows
// anything; callers turn the results into messages.
#ifndef KR70_APP_CORE_WAVEFILE_H
#define KR70_APP_CORE_WAVEFILE_H

#include <cstdint>
#include <cstdio>
#include <string>

#include "FileRefusal.h"

class WAData;

namespace kr70 {

class UiPort;

struct WavHeader {
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint32_t byteRate = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    uint32_t dataSize = 0;   // bytes of the data chunk
    int64_t dataOffset = 0;  // file offset of the first sample byte
};

enum class WavReadStatus {
    Ok,
    OpenFailed,   // empty path, or the file cannot be opened
    BadHeader,    // short header, unknown layout or a format not accepted
    NoSamples,    // empty data chunk
    ShortData,    // fewer sample bytes in the file than the data chunk says
    OutOfMemory,
    StoreFailed,  // WAData::SetData failed (the target is then unchanged or empty)
};

// Reads and checks the header of an open file positioned at its start.
// On success the file is positioned at the first sample byte. On BadHeader
// *why (when given) says what is wrong: the format found (checked as soon as
// the format chunk is read), a header cut short, or no RIFF/WAVE at all.
WavReadStatus ReadWavHeader(std::FILE* file, WavHeader& header, FileRefusal* why = nullptr);

// Reads the WAV file into target (changed only by a successful SetData).
WavReadStatus ReadWavFile(const std::string& path, WAData& target);

// Why the file cannot be read as a waveform: file is open at its start, or
// null when the open failed with errno openError (kNotRegularFile for a
// directory or device). A file that starts with "SampFreq=" is judged as a
// raw-data file (header lines, sample lines against Size), any other as WAV
// (header, then the data chunk against the file's length). Kind None when the
// bytes hold a readable waveform. Reads the file to its end at most.
FileRefusal DiagnoseWaveformFile(std::FILE* file, int openError);
// The same for a path, opened as the readers open it (through the OS seam).
FileRefusal DiagnoseWaveformPath(const std::string& path);

// Message 2023 (caption 2024) with the file's name and the reason on a line
// of its own; when the bytes show nothing wrong, the reason is the memory
// (outOfMemory) or that the samples could not be stored.
Message FileNotReadMessage(const std::string& path, bool outOfMemory);

// 1 when the file has a complete, accepted header (samples are not read), else 0.
int32_t CheckWavHeader(const std::string& path);

// 1 when the file's first line (at most 1023 characters) is longer than 9
// characters and begins with "SampFreq=", else 0.
int32_t IsRawDataFile(const std::string& path);

// Converts a WAV file into a raw-data file named RawDataNameFor(path), read
// through a waveform of its own (the loaded waveform is not touched). −1 and
// message 2023 when the WAV file cannot be read; otherwise SaveRawData's
// result, with message 2010 when it fails (caption 2024).
int32_t ConvertWavToRawData(const std::string& path, UiPort& port);

// Raw-data name of a WAV file: a trailing ".wav" (any case) becomes ".rdt",
// otherwise ".rdt" is appended (a.WAV → a.rdt, a.dat → a.dat.rdt).
std::string RawDataNameFor(const std::string& path);

// Last-write time of the file in seconds since the epoch; 0 when the path is
// empty or the file cannot be opened.
int64_t FileTime(const std::string& path);

// Number of significant decimals: of a number as its shortest exact decimal
// text (100.0 → 0, 12.5 → 1, 0.1 → 1), and of a trimmed text with its
// trailing zeros dropped ("12.50" → 1, "100" → 0).
int32_t DecimalPlaces(double value);
int32_t DecimalPlaces(const std::string& text);

// Blanks (space, tab, CR, LF) trimmed from both ends.
std::string Trim(const std::string& text);

}  // namespace kr70

#endif
