#include "UiPort.h"

namespace kr70 {

void UiPort::ShowWarning(int32_t textId, int32_t captionId) {
    Message message;
    message.parts.push_back(MessagePart{textId, {}, {}});
    message.captionId = captionId;
    ShowMessage(message);
}

void UiPort::ShowWarning(int32_t textId, int32_t captionId, const std::string& formatArgument) {
    Message message;
    message.parts.push_back(MessagePart{textId, {formatArgument}, {}});
    message.captionId = captionId;
    ShowMessage(message);
}

}  // namespace kr70
