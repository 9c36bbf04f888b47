// Raw-data files: "SampFreq=%d", "Size=%d", then one "%.10f" sample per line.
#include <cstring>
#include <string_view>

#include "LineReader.h"
#include "LmWACore.h"
#include "TextFileWriter.h"
#include "TextFormat.h"

namespace {

using lmwacore::LineReader;

// A header line is read as into a buffer of 1024 characters: longer ones are
// malformed.
constexpr std::size_t kMaxHeaderLine = 1023;

// Reads one "Key=<positive int32>" header line.
int ReadHeaderNumber(LineReader& reader, std::string_view key, uint32_t& value)
{
    std::string_view line;
    switch (reader.Next(line, kMaxHeaderLine)) {
    case LineReader::Result::Line:
        break;
    case LineReader::Result::Error:
        return WA_ERR_FILE_OPEN;
    default:
        return WA_ERR_FILE_FORMAT;
    }
    if (line.substr(0, key.size()) != key) {
        return WA_ERR_FILE_FORMAT;
    }
    if (!lmwacore::ParsePositiveInt32(line.substr(key.size()), value)) {
        return WA_ERR_FILE_FORMAT;
    }
    return WA_OK;
}

// Parses `count` sample lines into out (FillData's fill step).
int ReadSamples(double* out, uint32_t count, void* context)
{
    LineReader& reader = *static_cast<LineReader*>(context);
    std::string_view line;
    for (uint32_t i = 0; i < count; ++i) {
        switch (reader.Next(line)) {
        case LineReader::Result::Line:
            out[i] = lmwacore::ParseDoubleC(line);
            break;
        case LineReader::Result::Error:
            return WA_ERR_FILE_OPEN;
        default:
            return WA_ERR_FILE_FORMAT;
        }
    }
    return WA_OK;
}

}  // namespace

int SaveRawData(const char* file, const WAData& data)
{
    const uint32_t size = data.GetSize();
    double* samples = nullptr;
    if (size == 0 || data.GetSampFreq() == 0 || data.GetDataPointer(&samples) != WA_OK) {
        return WA_ERR_NO_DATA;
    }
    lmwacore::TextFileWriter writer;
    int status = writer.Open(file);
    if (status != WA_OK) {
        return status;
    }
    writer.KeyUnsigned("SampFreq=", data.GetSampFreq());
    writer.KeyUnsigned("Size=", size);
    for (uint32_t i = 0; i < size; ++i) {
        writer.Fixed10(samples[i]);
        writer.EndLine();
    }
    return writer.Close();
}

int LoadRawData(const char* file, WAData& data)
{
    LineReader reader;
    int status = reader.Open(file);
    if (status != WA_OK) {
        return status;
    }
    uint32_t sampFreq = 0;
    uint32_t size = 0;
    status = ReadHeaderNumber(reader, "SampFreq=", sampFreq);
    if (status != WA_OK) {
        return status;
    }
    status = ReadHeaderNumber(reader, "Size=", size);
    if (status != WA_OK) {
        return status;
    }
    // Every sample line takes at least one byte, so a file with fewer bytes
    // left than Size cannot hold the samples; refusing it here also keeps a
    // forged Size from allocating gigabytes.
    if (reader.BytesLeft() < size) {
        return WA_ERR_FILE_FORMAT;
    }
    // The samples are parsed straight into the waveform's own array, so only
    // one copy of them exists besides the reader's buffer.
    const int loaded = data.FillData(size, sampFreq, ReadSamples, &reader);
    reader.Close();
    return loaded;
}
