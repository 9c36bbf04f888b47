// The ten functions of the parameter-file library.
#include <LmIni.h>

#include "LmIniFileOps.h"
#include "LmIniLine.h"
#include "LmIniRecordTable.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <string>

using namespace lmini;

namespace {

// Closes a read stream on every path out of a function.
struct ReadStream {
    std::FILE* stream;
    explicit ReadStream(std::FILE* s) : stream(s) {}
    ~ReadStream()
    {
        if (stream) std::fclose(stream);
    }
    ReadStream(const ReadStream&) = delete;
    ReadStream& operator=(const ReadStream&) = delete;
    // Closes now; a failing close of a read stream counts as a read error.
    int Close()
    {
        std::FILE* s = stream;
        stream = nullptr;
        return std::fclose(s) == 0 ? LMINI_OK : LMINI_READ_ERROR;
    }
};

// The value of the first line that defines key.
int FindKey(const char* file, const char* key, std::string& value)
{
    if (!file) return LMINI_OPEN_ERROR;
    if (!key) return LMINI_NOT_FOUND;
    ReadStream in(OpenForReading(file));
    if (!in.stream) return LMINI_OPEN_ERROR;

    const std::string_view wanted(key);
    std::string line;
    bool gotLine = false;
    for (;;) {
        int status = ReadLine(in.stream, line, gotLine);
        if (status != LMINI_OK) return status;
        if (!gotLine) break;
        std::string_view lineKey, lineValue;
        if (SplitKeyLine(line, lineKey, lineValue) && lineKey == wanted) {
            value.assign(lineValue);
            return in.Close();
        }
    }
    int status = in.Close();
    return status != LMINI_OK ? status : LMINI_NOT_FOUND;
}

// LmIniGetL and LmIniGetF: a value that is not a number leaves *value as it is.
template <typename Number>
int GetNumber(const char* file, const char* key, Number* value,
              bool (*scan)(std::string_view, Number&))
{
    try {
        std::string text;
        int status = FindKey(file, key, text);
        if (status != LMINI_OK) return status;
        if (!value) return LMINI_BUFFER_SMALL;
        Number number;
        if (scan(text, number)) *value = number;
        return LMINI_OK;
    } catch (const std::bad_alloc&) {
        return LMINI_NO_MEMORY;
    }
}

void StoreField(LmIniRecord& record, const Field& field, std::string_view value)
{
    char* place = reinterpret_cast<char*>(&record) + field.offset;
    switch (field.type) {
    case FieldType::Int32: {
        int32_t number;
        if (ScanInt32(value, number)) std::memcpy(place, &number, sizeof number);
        break;
    }
    case FieldType::Double: {
        double number;
        if (ScanDouble(value, number)) std::memcpy(place, &number, sizeof number);
        break;
    }
    case FieldType::Text: {
        size_t length = std::min(value.size(), field.size - 1);
        std::memcpy(place, value.data(), length);
        place[length] = '\0';
        break;
    }
    }
}

void AppendLine(std::string& out, std::string_view key, std::string_view value)
{
    out.append(key).append(" = ").append(value).push_back('\n');
}

void AppendField(std::string& out, const LmIniRecord& record, const Field& field)
{
    const char* place = reinterpret_cast<const char*>(&record) + field.offset;
    switch (field.type) {
    case FieldType::Int32: {
        int32_t number;
        std::memcpy(&number, place, sizeof number);
        AppendLine(out, field.key, FormatInt32(number));
        break;
    }
    case FieldType::Double: {
        double number;
        std::memcpy(&number, place, sizeof number);
        AppendLine(out, field.key, FormatDouble(number));
        break;
    }
    case FieldType::Text:
        // A text field that lost its terminating zero is written up to its size.
        AppendLine(out, field.key, std::string_view(place, strnlen(place, field.size)));
        break;
    }
}

int PointCount(int32_t count)
{
    if (count < 0) return 0;
    return count > LMINI_POINTS ? LMINI_POINTS : int(count);
}

std::string RecordText(const LmIniRecord& record)
{
    std::string out;
    AppendLine(out, LMINI_KEY_FILEID, LMINI_ID_PARAFILE);
    for (const WriteStep& step : WriteOrder()) {
        if (step.field) {
            AppendField(out, record, *step.field);
            continue;
        }
        int count = PointCount(step.pointGroup == 0 ? record.lFftpNo : record.lFftEpNo);
        for (int point = 1; point <= count; ++point)
            for (int column = 0; column < 4; ++column)
                AppendField(out, record, PointField(step.pointGroup, point, column));
    }
    return out;
}

} // namespace

extern "C" {

int LmIniInit(LmIniRecord* record)
{
    if (!record) return LMINI_NO_MEMORY;
    try {
        std::memset(record, 0, sizeof *record);
        char* base = reinterpret_cast<char*>(record);
        for (const Field& field : RecordFields()) {
            switch (field.type) {
            case FieldType::Int32: {
                int32_t number = int32_t(field.number);
                std::memcpy(base + field.offset, &number, sizeof number);
                break;
            }
            case FieldType::Double:
                std::memcpy(base + field.offset, &field.number, sizeof field.number);
                break;
            case FieldType::Text:
                std::strncpy(base + field.offset, field.text, field.size - 1);
                break;
            }
        }
    } catch (const std::bad_alloc&) {
        return LMINI_NO_MEMORY;
    }
    return LMINI_OK;
}

int LmIniChkf(const char* file)
{
    if (!file) return LMINI_NOT_FOUND;
    std::FILE* stream = OpenForReading(file);
    if (!stream) return LMINI_NOT_FOUND;
    std::fclose(stream); // read-only: a failing close loses nothing
    return LMINI_OK;
}

int LmIniGetS(const char* file, const char* key, int bufferSize, char* buffer)
{
    try {
        std::string value;
        int status = FindKey(file, key, value);
        if (status != LMINI_OK) return status;
        if (!buffer || bufferSize <= 0 || value.size() + 1 > size_t(bufferSize))
            return LMINI_BUFFER_SMALL;
        std::memcpy(buffer, value.c_str(), value.size() + 1);
        return LMINI_OK;
    } catch (const std::bad_alloc&) {
        return LMINI_NO_MEMORY;
    }
}

int LmIniGetL(const char* file, const char* key, int32_t* value)
{
    return GetNumber(file, key, value, ScanInt32);
}

int LmIniGetF(const char* file, const char* key, double* value)
{
    return GetNumber(file, key, value, ScanDouble);
}

int LmIniRead(const char* file, LmIniRecord* record)
{
    if (LmIniFchk(0, file) != 0) return LMINI_NOT_PARAFILE;
    if (!record) return LMINI_NO_MEMORY;
    try {
        ReadStream in(OpenForReading(file));
        if (!in.stream) return LMINI_OPEN_ERROR;
        int status = LmIniInit(record);
        if (status != LMINI_OK) return status;

        std::string line, key;
        bool gotLine = false;
        for (;;) {
            status = ReadLine(in.stream, line, gotLine);
            if (status != LMINI_OK) return status;
            if (!gotLine) break;
            std::string_view lineKey, lineValue;
            if (!SplitKeyLine(line, lineKey, lineValue)) continue;
            key.assign(lineKey);
            if (const Field* field = FindReadableField(key)) StoreField(*record, *field, lineValue);
        }
        return in.Close();
    } catch (const std::bad_alloc&) {
        return LMINI_NO_MEMORY;
    }
}

int LmIniWrite(const char* file, const LmIniRecord* record)
{
    if (!file) return LMINI_OPEN_ERROR;
    if (!record) return LMINI_NO_MEMORY;
    try {
        return ReplaceFileContent(file, RecordText(*record));
    } catch (const std::bad_alloc&) {
        return LMINI_NO_MEMORY;
    }
}

void LmIniMove(const LmIniRecord* source, LmIniRecord* destination)
{
    if (source && destination && source != destination) std::memcpy(destination, source, sizeof *source);
}

int LmIniPutS(const char* file, const char* key, const char* text)
{
    if (!file) return LMINI_OPEN_ERROR;
    if (!key) return LMINI_NOT_FOUND;
    try {
        std::string newLine;
        AppendLine(newLine, key, text ? text : "");

        ReadStream in(OpenForReading(file));
        if (!in.stream) {
            // Only a file that does not exist is created; one that exists but
            // cannot be read is left alone rather than overwritten.
            if (errno != ENOENT) return LMINI_OPEN_ERROR;
            return ReplaceFileContent(file, newLine);
        }

        const std::string_view wanted(key);
        std::string content, line;
        bool replaced = false, gotLine = false;
        for (;;) {
            int status = ReadLine(in.stream, line, gotLine);
            if (status != LMINI_OK) return status;
            if (!gotLine) break;
            std::string_view lineKey, lineValue;
            if (!replaced && SplitKeyLine(line, lineKey, lineValue) && lineKey == wanted) {
                content += newLine;
                replaced = true;
            } else {
                content += line;
            }
        }
        int status = in.Close();
        if (status != LMINI_OK) return status;
        if (!replaced) {
            // A last line without its line end must not run into the new one.
            if (!content.empty() && content.back() != '\n') content.push_back('\n');
            content += newLine;
        }
        return ReplaceFileContent(file, content);
    } catch (const std::bad_alloc&) {
        return LMINI_NO_MEMORY;
    }
}

int LmIniFchk(int indexFile, const char* file)
{
    char id[LMINI_TEXT_SIZE];
    if (LmIniGetS(file, LMINI_KEY_FILEID, sizeof id, id) != LMINI_OK) return LMINI_NOT_FOUND;
    const char* expected = indexFile != 0 ? LMINI_ID_INDEXFILE : LMINI_ID_PARAFILE;
    return std::strcmp(id, expected) == 0 ? LMINI_OK : LMINI_NOT_FOUND;
}

} // extern "C"
