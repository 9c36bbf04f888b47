#include "FakeUiPort.h"

#include <gtest/gtest.h>

namespace kr70::test {

bool FakeUiPort::RunModalDialog(int32_t dialogId, DialogValues& values) {
    dialogs.push_back(DialogCall{dialogId});
    if (replies_.empty()) {
        ADD_FAILURE() << "dialog " << dialogId << " opened without a scripted reply";
        return false;
    }
    Reply reply = std::move(replies_.front());
    replies_.pop_front();
    return reply(dialogId, values);
}

void FakeUiPort::ShowMessage(const Message& message) {
    shown.push_back(message);
    messages.push_back(ShownMessage{message.parts.empty() ? 0 : message.parts.front().textId, message.captionId});
}

bool FakeUiPort::AskYesNo(const Message& message) {
    ShowMessage(message);
    ++questions;
    if (yesNoAnswers.empty()) return false;
    const bool answer = yesNoAnswers.front();
    yesNoAnswers.pop_front();
    return answer;
}

std::vector<std::string> FakeUiPort::ChooseFiles(const FileDialogRequest& request) {
    fileRequests.push_back(request);
    if (fileChoices.empty()) return {};
    std::vector<std::string> paths = std::move(fileChoices.front());
    fileChoices.pop_front();
    return paths;
}

std::string FakeUiPort::ChooseFolder(const std::string& startDirectory, int32_t) {
    folderStarts.push_back(startDirectory);
    if (folderChoices.empty()) return {};
    std::string folder = std::move(folderChoices.front());
    folderChoices.pop_front();
    return folder;
}

std::vector<std::string> FakeUiPort::ChooseFilesWithDirectoryBox(const FileDialogRequest& request, bool& box) {
    boxShown.push_back(box);
    std::vector<std::string> paths = ChooseFiles(request);
    if (!paths.empty() && boxAnswer >= 0) box = boxAnswer == 1;
    return paths;
}

void FakeUiPort::FillCombo(int32_t controlId, const std::vector<std::string>& entries,
                           const std::string& selectedText) {
    comboEntries[controlId] = entries;
    comboSelected[controlId] = selectedText;
}

void FakeUiPort::NotifyPage(PageId page, const PageNotification& notification) {
    notifications.emplace_back(page, notification);
}

std::vector<int32_t> FakeUiPort::MessageIds() const {
    std::vector<int32_t> ids;
    for (const ShownMessage& message : messages) {
        ids.push_back(message.textId);
    }
    return ids;
}

std::vector<int64_t> FakeUiPort::Judgements() const {
    std::vector<int64_t> judgements;
    for (const auto& [page, notification] : notifications) {
        if (page == PageId::ResultIndicator && notification.notice == PageNotice::Judgement) {
            judgements.push_back(notification.values[0]);
        }
    }
    return judgements;
}

}  // namespace kr70::test
