// A UI port for programs without a window: message boxes become lines on
// standard error ("<program>: <context>: <text>"), every dialog and question
// is cancelled, everything else is ignored.
#ifndef KR70_TOOLS_CONSOLEPORT_H
#define KR70_TOOLS_CONSOLEPORT_H

#include <cstdio>
#include <string>

#include "UiPort.h"

namespace kr70 {

// Text of a message: each part's language text (English when the language
// table is loaded, else "message <id>") with its "%s" fields filled, followed
// by its literal text; parts joined by blanks.
std::string MessageText(const Message& message);

// Loads the English language table from the program's LANG folder, so that
// MessageText gives texts rather than numbers.
void LoadEnglishLanguageTable();

class ConsolePort : public NullUiPort {
public:
    ConsolePort(std::string program, std::FILE* stream) : program_(std::move(program)), stream_(stream) {}

    // Names what the following messages are about (for example the file).
    void SetContext(std::string context) { context_ = std::move(context); }

    void ShowMessage(const Message& message) override;
    int Count() const { return count_; }

private:
    std::string program_;
    std::FILE* stream_;
    std::string context_;
    int count_ = 0;
};

}  // namespace kr70

#endif
