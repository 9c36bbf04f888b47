// FileRefusal — why a file cannot be read as a waveform, and the line that
// tells the user so ("name: reason", in the language of the table).
//
// The reason is found by DiagnoseWaveformFile (WaveFile.h) from the file's
// bytes and the errno of a failed open; the window's boxes and kr70-analyse's
// messages both append RefusalLine to the message they show.
#ifndef KR70_APP_CORE_FILEREFUSAL_H
#define KR70_APP_CORE_FILEREFUSAL_H

#include <cstdint>
#include <string>

#include "UiPort.h"

namespace kr70 {

enum class RefusalKind {
    None,              // nothing wrong with the file itself
    NotFound,          // no such file (or an empty name)
    PermissionDenied,  // the open was refused for lack of permission
    CannotRead,        // any other open or read error (error holds errno)
    NotRegularFile,    // a directory, FIFO or device
    Empty,             // 0 bytes
    NotWaveform,       // neither a raw-data header nor RIFF/WAVE
    WavHeaderCut,      // RIFF/WAVE that ends (after `found` bytes) before its data chunk
    WavNoFormat,       // no "fmt " chunk of at least 16 bytes after the RIFF header
    Channels,          // more or fewer than one channel
    PcmBits,           // PCM other than 8 or 16 bits
    FloatSamples,      // format tag 3
    Extensible,        // format tag 0xFFFE
    FormatTag,         // any other format tag
    BlockAlign,        // block align that does not fit the bits
    SampleRate,        // 0 or above 2147483647 Hz
    NoSamples,         // empty data chunk
    DataCut,           // `found` of `expected` data bytes
    RawHeader,         // raw-data header line `found` (1 "SampFreq=", 2 "Size=") malformed
    RawDataCut,        // `found` of `expected` sample lines
    OutOfMemory,       // the samples do not fit in memory
    NotStored,         // the samples could not be stored otherwise
};

struct FileRefusal {
    RefusalKind kind = RefusalKind::None;
    int error = 0;  // errno for CannotRead
    uint32_t formatTag = 0;
    uint32_t channels = 0;
    uint32_t bitsPerSample = 0;
    uint32_t blockAlign = 0;
    uint32_t sampleRate = 0;
    uint64_t found = 0;
    uint64_t expected = 0;
};

// The errno value that DiagnoseWaveformFile takes for a path that opened but
// is no regular file.
inline constexpr int kNotRegularFile = -1;

// The refusal of an open that failed with errno `error` (kNotRegularFile for
// a directory or device).
FileRefusal OpenRefusal(int error);

// "name: reason" for the file at path (its last component), as a message
// piece; textId 0 when the kind is None.
MessagePart RefusalLine(const std::string& path, const FileRefusal& refusal);

// Appends the reason to the message on a line of its own (nothing for None).
void AppendRefusal(Message& message, const std::string& path, const FileRefusal& refusal);

}  // namespace kr70

#endif
