#include "WaveFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "LmCmAnlz.h"
#include "LmWACore.h"
#include "LmOsSeam.h"
#include "RecentFileList.h"
#include "TextIds.h"
#include "UiPort.h"

namespace kr70 {
namespace {

// Closes a FILE on every path; reading never needs the close status.
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Opens a regular file for reading. The open is non-blocking, so that a FIFO
// or a device in the file's place is refused instead of waiting for a writer;
// the flag is cleared again before anything is read. The open goes through
// the platform's OS seam. On failure *error (when given) is the open's errno,
// or kNotRegularFile.
FileHandle OpenForReading(const std::string& path, int* error = nullptr) {
    auto fail = [error](int why) {
        if (error != nullptr) *error = why;
        return FileHandle();
    };
    if (path.empty()) {
        return fail(ENOENT);
    }
    int fd = -1;
    do {
        fd = lmp::Os().open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK, 0);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return fail(errno);
    }
    struct stat status {};
    const bool stated = fstat(fd, &status) == 0;
    const int flags = ::fcntl(fd, F_GETFL);
    if (!stated || !S_ISREG(status.st_mode) || flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        const int why = stated && !S_ISREG(status.st_mode) ? kNotRegularFile : errno;
        ::close(fd);
        return fail(why);
    }
    FileHandle file(fdopen(fd, "rb"));
    if (!file) {
        const int why = errno;
        ::close(fd);
        return fail(why);
    }
    return file;
}

uint16_t Le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t Le32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

bool ReadExactly(std::FILE* file, void* buffer, size_t count) {
    return std::fread(buffer, 1, count, file) == count;
}

// Skips count bytes; a skip past the end shows up as a short read later.
bool Skip(std::FILE* file, uint64_t count) {
    if (count == 0) {
        return true;
    }
    return fseeko(file, static_cast<off_t>(count), SEEK_CUR) == 0;
}

// Why a format is not accepted (kind None when it is). The rate must also fit
// the raw-data format's positive 32-bit numbers, so that every accepted file
// can be saved as raw data and read back.
FileRefusal FormatRefusal(const WavHeader& header) {
    FileRefusal refusal;
    refusal.formatTag = header.formatTag;
    refusal.channels = header.channels;
    refusal.bitsPerSample = header.bitsPerSample;
    refusal.blockAlign = header.blockAlign;
    refusal.sampleRate = header.sampleRate;
    constexpr uint16_t kFloat = 3, kExtensible = 0xFFFE;
    const bool bitsKnown = header.bitsPerSample == 8 || header.bitsPerSample == 16;
    if (header.formatTag == kExtensible) {
        refusal.kind = RefusalKind::Extensible;
    } else if (header.formatTag == kFloat) {
        refusal.kind = RefusalKind::FloatSamples;
    } else if (header.formatTag != 1) {
        refusal.kind = RefusalKind::FormatTag;
    } else if (header.channels != 1) {
        refusal.kind = RefusalKind::Channels;
    } else if (!bitsKnown) {
        refusal.kind = RefusalKind::PcmBits;
    } else if (header.blockAlign != header.bitsPerSample / 8) {
        refusal.kind = RefusalKind::BlockAlign;
    } else if (header.sampleRate == 0 || header.sampleRate > 2147483647u) {
        refusal.kind = RefusalKind::SampleRate;
    }
    return refusal;
}

int64_t FileSize(std::FILE* file) {
    struct stat status {};
    if (fstat(fileno(file), &status) != 0) {
        return -1;
    }
    return static_cast<int64_t>(status.st_size);
}

constexpr int kShortRead = 1;

struct WavFill {
    std::FILE* file;
    uint16_t bitsPerSample;
};

// Reads count samples and converts them to volts (FillData's fill step);
// kShortRead when the file ends early.
int ConvertSamples(double* out, uint32_t count, void* context) {
    const WavFill& fill = *static_cast<const WavFill*>(context);
    const uint32_t bytesPerSample = fill.bitsPerSample == 8 ? 1 : 2;
    constexpr uint32_t kChunkSamples = 32768;
    unsigned char bytes[kChunkSamples * 2];
    for (uint32_t done = 0; done < count;) {
        const uint32_t n = std::min(kChunkSamples, count - done);
        if (!ReadExactly(fill.file, bytes, static_cast<size_t>(n) * bytesPerSample)) {
            return kShortRead;
        }
        if (bytesPerSample == 1) {
            for (uint32_t i = 0; i < n; ++i) {
                out[done + i] = bytes[i] * 0.0390625 - 5.0;
            }
        } else {
            for (uint32_t i = 0; i < n; ++i) {
                const auto sample = static_cast<int16_t>(Le16(bytes + 2 * i));
                out[done + i] = sample * 10.0 / 65534.0;
            }
        }
        done += n;
    }
    return WA_OK;
}

}  // namespace

WavReadStatus ReadWavHeader(std::FILE* file, WavHeader& header, FileRefusal* why) {
    FileRefusal ignored;
    FileRefusal& refusal = why != nullptr ? *why : ignored;
    refusal = FileRefusal();
    // A short read inside a RIFF/WAVE header: the file ends (or fails) early.
    auto cut = [&]() {
        if (std::ferror(file)) {
            refusal = OpenRefusal(EIO);
        } else {
            refusal.kind = RefusalKind::WavHeaderCut;
            refusal.found = static_cast<uint64_t>(std::max<int64_t>(FileSize(file), 0));
        }
        return WavReadStatus::BadHeader;
    };
    unsigned char riff[12];
    const size_t got = std::fread(riff, 1, sizeof riff, file);
    const bool riffId = got >= 4 && std::memcmp(riff, "RIFF", 4) == 0;
    if (!riffId || (got == sizeof riff && std::memcmp(riff + 8, "WAVE", 4) != 0)) {
        refusal.kind = RefusalKind::NotWaveform;
        return WavReadStatus::BadHeader;
    }
    if (got < sizeof riff) {
        return cut();
    }
    unsigned char chunk[8];
    if (!ReadExactly(file, chunk, sizeof chunk)) {
        return cut();
    }
    const uint32_t formatSize = Le32(chunk + 4);
    if (std::memcmp(chunk, "fmt ", 4) != 0 || formatSize < 16) {
        refusal.kind = RefusalKind::WavNoFormat;
        return WavReadStatus::BadHeader;
    }
    unsigned char format[16];
    if (!ReadExactly(file, format, sizeof format)) {
        return cut();
    }
    WavHeader found;
    found.formatTag = Le16(format);
    found.channels = Le16(format + 2);
    found.sampleRate = Le32(format + 4);
    found.byteRate = Le32(format + 8);
    found.blockAlign = Le16(format + 12);
    found.bitsPerSample = Le16(format + 14);
    refusal = FormatRefusal(found);
    if (refusal.kind != RefusalKind::None) {
        return WavReadStatus::BadHeader;
    }
    // The rest of the format chunk, and the RIFF pad byte after an odd size.
    if (!Skip(file, static_cast<uint64_t>(formatSize - 16) + (formatSize & 1u))) {
        return cut();
    }
    for (;;) {
        if (!ReadExactly(file, chunk, sizeof chunk)) {
            return cut();
        }
        const uint32_t size = Le32(chunk + 4);
        if (std::memcmp(chunk, "data", 4) == 0) {
            found.dataSize = size;
            break;
        }
        if (!Skip(file, static_cast<uint64_t>(size) + (size & 1u))) {
            return cut();
        }
    }
    const off_t offset = ftello(file);
    if (offset < 0) {
        refusal = OpenRefusal(errno);
        return WavReadStatus::BadHeader;
    }
    found.dataOffset = static_cast<int64_t>(offset);
    header = found;
    return WavReadStatus::Ok;
}

WavReadStatus ReadWavFile(const std::string& path, WAData& target) {
    FileHandle file = OpenForReading(Trim(path));
    if (!file) {
        return WavReadStatus::OpenFailed;
    }
    WavHeader header;
    const WavReadStatus headerStatus = ReadWavHeader(file.get(), header);
    if (headerStatus != WavReadStatus::Ok) {
        return headerStatus;
    }
    if (header.dataSize < 1) {
        return WavReadStatus::NoSamples;
    }
    // A data size beyond the end of the file is refused before anything is
    // allocated for it.
    const int64_t fileSize = FileSize(file.get());
    if (fileSize < 0 || fileSize - header.dataOffset < static_cast<int64_t>(header.dataSize)) {
        return WavReadStatus::ShortData;
    }
    const uint32_t count = header.bitsPerSample == 8 ? header.dataSize : header.dataSize / 2;
    if (count == 0) {
        return WavReadStatus::NoSamples;
    }
    // The samples are converted chunk by chunk straight into the waveform's
    // own array: one copy of them in memory, never the file's bytes as well.
    WavFill fill{file.get(), header.bitsPerSample};
    const int stored = target.FillData(count, header.sampleRate, ConvertSamples, &fill);
    if (stored == kShortRead) {
        return WavReadStatus::ShortData;
    }
    if (stored == WA_ERR_MEMORY) {
        return WavReadStatus::OutOfMemory;
    }
    if (stored != WA_OK) {
        return WavReadStatus::StoreFailed;
    }
    return WavReadStatus::Ok;
}

namespace {

// Reads one line of at most 1023 characters (without its line end) as the
// raw-data reader takes a header line; false at the end of the file or for a
// longer line.
bool ReadHeaderLine(std::FILE* file, std::string& line) {
    line.clear();
    for (int c = std::getc(file); c != EOF && c != '\n'; c = std::getc(file)) {
        if (line.size() >= 1023) {
            return false;
        }
        line.push_back(static_cast<char>(c));
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return !line.empty() || !std::feof(file);
}

// "Key=" followed by a number from 1 to 2147483647 (leading blanks and a sign
// allowed, trailing text ignored), as in a raw-data header.
bool HeaderNumber(const std::string& line, const char* key, uint64_t& value) {
    const size_t keyLength = std::strlen(key);
    if (line.compare(0, keyLength, key) != 0) {
        return false;
    }
    size_t at = line.find_first_not_of(" \t\r\n\v\f", keyLength);
    if (at == std::string::npos) {
        return false;
    }
    const bool negative = line[at] == '-';
    if (line[at] == '+' || line[at] == '-') {
        ++at;
    }
    uint64_t number = 0;
    size_t digits = 0;
    for (; at < line.size() && line[at] >= '0' && line[at] <= '9'; ++at, ++digits) {
        number = number * 10 + static_cast<uint64_t>(line[at] - '0');
        if (number > 2147483647u) {
            return false;
        }
    }
    value = number;
    return digits > 0 && !negative && number > 0;
}

// Why a file that starts like a raw-data file cannot be read as one.
FileRefusal RawDataRefusal(std::FILE* file) {
    FileRefusal refusal;
    std::string line;
    uint64_t value = 0;
    if (!ReadHeaderLine(file, line) || !HeaderNumber(line, "SampFreq=", value)) {
        refusal.kind = RefusalKind::RawHeader;
        refusal.found = 1;
        return refusal;
    }
    uint64_t size = 0;
    if (!ReadHeaderLine(file, line) || !HeaderNumber(line, "Size=", size)) {
        refusal.kind = RefusalKind::RawHeader;
        refusal.found = 2;
        return refusal;
    }
    // Sample lines: every line end, and a last line without one.
    uint64_t lines = 0;
    bool open = false;
    char buffer[65536];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        for (const char* at = buffer; (at = static_cast<const char*>(std::memchr(at, '\n', buffer + got - at)));
             ++at) {
            ++lines;
        }
        open = buffer[got - 1] != '\n';
    }
    if (std::ferror(file)) {
        return OpenRefusal(EIO);
    }
    lines += open ? 1 : 0;
    if (lines < size) {
        refusal.kind = RefusalKind::RawDataCut;
        refusal.found = lines;
        refusal.expected = size;
    }
    return refusal;
}

}  // namespace

FileRefusal DiagnoseWaveformFile(std::FILE* file, int openError) {
    if (file == nullptr) {
        return OpenRefusal(openError);
    }
    FileRefusal refusal;
    const int64_t size = FileSize(file);
    if (size == 0) {
        refusal.kind = RefusalKind::Empty;
        return refusal;
    }
    char start[9];
    const bool raw = std::fread(start, 1, sizeof start, file) == sizeof start &&
                     std::memcmp(start, "SampFreq=", sizeof start) == 0;
    std::rewind(file);
    if (raw) {
        return RawDataRefusal(file);
    }
    WavHeader header;
    if (ReadWavHeader(file, header, &refusal) != WavReadStatus::Ok) {
        return refusal;
    }
    if (header.dataSize < header.bitsPerSample / 8u) {
        refusal.kind = RefusalKind::NoSamples;
    } else if (size - header.dataOffset < static_cast<int64_t>(header.dataSize)) {
        refusal.kind = RefusalKind::DataCut;
        refusal.found = static_cast<uint64_t>(std::max<int64_t>(size - header.dataOffset, 0));
        refusal.expected = header.dataSize;
    }
    return refusal;
}

FileRefusal DiagnoseWaveformPath(const std::string& path) {
    int error = 0;
    FileHandle file = OpenForReading(Trim(path), &error);
    return DiagnoseWaveformFile(file.get(), error);
}

Message FileNotReadMessage(const std::string& path, bool outOfMemory) {
    FileRefusal why = DiagnoseWaveformPath(path);
    if (why.kind == RefusalKind::None) {
        why.kind = outOfMemory ? RefusalKind::OutOfMemory : RefusalKind::NotStored;
    }
    Message message;
    message.parts.push_back(MessagePart{kTextFileNotLoaded, {}, {}});
    AppendRefusal(message, Trim(path), why);
    return message;
}

int32_t CheckWavHeader(const std::string& path) {
    FileHandle file = OpenForReading(Trim(path));
    if (!file) {
        return 0;
    }
    WavHeader header;
    return ReadWavHeader(file.get(), header) == WavReadStatus::Ok ? 1 : 0;
}

int32_t IsRawDataFile(const std::string& path) {
    FileHandle file = OpenForReading(Trim(path));
    if (!file) {
        return 0;
    }
    char line[1024];
    if (std::fgets(line, sizeof line, file.get()) == nullptr) {
        return 0;
    }
    size_t length = std::strlen(line);
    while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) {
        --length;
    }
    return length > 9 && std::strncmp(line, "SampFreq=", 9) == 0 ? 1 : 0;
}

std::string RawDataNameFor(const std::string& path) {
    std::string name = Trim(path);
    if (name.size() >= 4 && EqualsIgnoringCase(name.substr(name.size() - 4), ".wav")) {
        name.replace(name.size() - 3, 3, "rdt");
    } else {
        name += ".rdt";
    }
    return name;
}

int32_t ConvertWavToRawData(const std::string& path, UiPort& port) {
    WaitCursor wait(port);
    WAData waveform;
    const WavReadStatus read = ReadWavFile(path, waveform);
    if (read != WavReadStatus::Ok) {
        port.ShowMessage(FileNotReadMessage(path, read == WavReadStatus::OutOfMemory));
        return -1;
    }
    const int status = SaveRawData(RawDataNameFor(path).c_str(), waveform);
    if (status != 0) {
        port.ShowWarning(kTextRawDataNotSaved);
    }
    return status;
}

int64_t FileTime(const std::string& path) {
    FileHandle file = OpenForReading(Trim(path));
    if (!file) {
        return 0;
    }
    struct stat status {};
    if (fstat(fileno(file.get()), &status) != 0) {
        return 0;
    }
    return static_cast<int64_t>(status.st_mtime);
}

namespace {

int32_t DecimalsOfFixedText(std::string text) {
    while (!text.empty() && text.back() == '0') {
        text.pop_back();
    }
    const size_t dot = text.rfind('.');
    if (text.empty() || dot == std::string::npos) {
        return 0;
    }
    return static_cast<int32_t>(text.size() - dot - 1);
}

}  // namespace

int32_t DecimalPlaces(double value) {
    // The shortest fixed-point text that reads back as the same double: the
    // decimals a user typed, not the digits of the binary expansion.
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (result.ec != std::errc()) {
        return 0;
    }
    std::string text(buffer, result.ptr);
    if (text.find('.') == std::string::npos) {
        return 0;
    }
    const int32_t places = DecimalsOfFixedText(text);
    return places > 50 ? 50 : places;
}

int32_t DecimalPlaces(const std::string& text) { return DecimalsOfFixedText(Trim(text)); }

std::string Trim(const std::string& text) {
    const char* blanks = " \t\r\n";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) {
        return {};
    }
    const size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

}  // namespace kr70
