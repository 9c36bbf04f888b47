#include "FileRefusal.h"

#include <cerrno>
#include <cstring>

#include "TextIds.h"

namespace kr70 {

FileRefusal OpenRefusal(int error) {
    FileRefusal refusal;
    switch (error) {
    case kNotRegularFile:
    case EISDIR:
        refusal.kind = RefusalKind::NotRegularFile;
        break;
    case ENOENT:
    case ENOTDIR:
        refusal.kind = RefusalKind::NotFound;
        break;
    case EACCES:
    case EPERM:
        refusal.kind = RefusalKind::PermissionDenied;
        break;
    default:
        refusal.kind = RefusalKind::CannotRead;
        refusal.error = error;
        break;
    }
    return refusal;
}

MessagePart RefusalLine(const std::string& path, const FileRefusal& refusal) {
    const size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos || slash + 1 == path.size() ? path : path.substr(slash + 1);
    auto line = [&name](int32_t textId, std::initializer_list<std::string> values = {}) {
        MessagePart part{textId, {name}, {}};
        part.formatArguments.insert(part.formatArguments.end(), values);
        return part;
    };
    using std::to_string;
    switch (refusal.kind) {
    case RefusalKind::None: return {};
    case RefusalKind::NotFound: return line(text::kReasonNotFound);
    case RefusalKind::PermissionDenied: return line(text::kReasonPermissionDenied);
    case RefusalKind::CannotRead: return line(text::kReasonCannotRead, {std::strerror(refusal.error)});
    case RefusalKind::NotRegularFile: return line(text::kReasonNotRegularFile);
    case RefusalKind::Empty: return line(text::kReasonEmpty);
    case RefusalKind::NotWaveform: return line(text::kReasonNotWaveform);
    case RefusalKind::WavHeaderCut: return line(text::kReasonWavHeaderCut, {to_string(refusal.found)});
    case RefusalKind::WavNoFormat: return line(text::kReasonWavNoFormat);
    case RefusalKind::Channels: return line(text::kReasonChannels, {to_string(refusal.channels)});
    case RefusalKind::PcmBits: return line(text::kReasonPcmBits, {to_string(refusal.bitsPerSample)});
    case RefusalKind::FloatSamples: return line(text::kReasonFloat, {to_string(refusal.bitsPerSample)});
    case RefusalKind::Extensible: return line(text::kReasonExtensible, {to_string(refusal.bitsPerSample)});
    case RefusalKind::FormatTag: return line(text::kReasonFormatTag, {to_string(refusal.formatTag)});
    case RefusalKind::BlockAlign:
        return line(text::kReasonBlockAlign, {to_string(refusal.blockAlign), to_string(refusal.bitsPerSample)});
    case RefusalKind::SampleRate: return line(text::kReasonSampleRate, {to_string(refusal.sampleRate)});
    case RefusalKind::NoSamples: return line(text::kReasonNoSamples);
    case RefusalKind::DataCut:
        return line(text::kReasonDataCut, {to_string(refusal.found), to_string(refusal.expected)});
    case RefusalKind::RawHeader:
        return line(text::kReasonRawHeader, {to_string(refusal.found), refusal.found == 1 ? "SampFreq=" : "Size="});
    case RefusalKind::RawDataCut:
        return line(text::kReasonRawCut, {to_string(refusal.found), to_string(refusal.expected)});
    case RefusalKind::OutOfMemory: return line(text::kReasonOutOfMemory);
    case RefusalKind::NotStored: return line(text::kReasonNotStored);
    }
    return {};
}

void AppendRefusal(Message& message, const std::string& path, const FileRefusal& refusal) {
    MessagePart line = RefusalLine(path, refusal);
    if (line.textId == 0) {
        return;
    }
    if (!message.parts.empty()) {
        message.parts.back().appended += "\n";
    }
    message.parts.push_back(std::move(line));
}

}  // namespace kr70
