#include "UiPort.h"

namespace kr70 {

MessageIcon BoxIcon(const Message& message) {
    if (message.icon == MessageIcon::Question || message.icon == MessageIcon::None) return message.icon;
    if (message.captionId == kCaptionMainView) return MessageIcon::Warning;
    if (message.captionId == kCaptionFileDialog) return MessageIcon::Error;
    return message.icon;
}

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
