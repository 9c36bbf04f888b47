#include "ConsolePort.h"

#include "LmLang.h"

namespace kr70 {

void LoadEnglishLanguageTable() {
    char directory[4096];
    char base[256];
    if (LmLangGetProgramPath(directory, sizeof directory, base, sizeof base) == 0) {
        LmLangInit(LMLANG_MODE_SUFFIX, LMLANG_ID_ENGLISH, directory, "KR70");
    }
}

std::string MessageText(const Message& message) {
    std::string text;
    for (const MessagePart& part : message.parts) {
        std::string piece;
        if (part.textId != 0) {
            const char* stored = LmLangGetIdxString(part.textId);
            piece = stored != nullptr && *stored != '\0' ? stored : "message " + std::to_string(part.textId);
            size_t argument = 0;
            for (size_t at = piece.find("%s"); at != std::string::npos && argument < part.formatArguments.size();
                 at = piece.find("%s", at)) {
                piece.replace(at, 2, part.formatArguments[argument]);
                at += part.formatArguments[argument].size();
                ++argument;
            }
        }
        piece += part.appended;
        // A part that ends its line is already followed by a blank below.
        if (!text.empty() && !piece.empty() && text.back() != '\n') {
            text += ' ';
        }
        text += piece;
    }
    // One message, one line.
    for (char& c : text) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    return text;
}

void ConsolePort::ShowMessage(const Message& message) {
    ++count_;
    std::string line = program_ + ": ";
    if (!context_.empty()) {
        line += context_ + ": ";
    }
    line += MessageText(message) + "\n";
    std::fputs(line.c_str(), stream_);
}

}  // namespace kr70
