// A scripted UI port for the tests: dialogs answer from a queue of scripted
// replies, everything shown is logged.
#ifndef KR70_APP_CORE_TESTS_FAKEUIPORT_H
#define KR70_APP_CORE_TESTS_FAKEUIPORT_H

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "UiPort.h"

namespace kr70::test {

struct ShownMessage {
    int32_t textId;
    int32_t captionId;
};

struct DialogCall {
    int32_t dialogId;
};

class FakeUiPort : public UiPort {
public:
    // A reply edits the values and says whether the dialog was accepted.
    using Reply = std::function<bool(int32_t dialogId, DialogValues& values)>;

    void Script(Reply reply) { replies_.push_back(std::move(reply)); }
    void Cancel() {
        Script([](int32_t, DialogValues&) { return false; });
    }
    template <typename Values>
    void Accept(std::function<void(Values&)> edit) {
        Script([edit](int32_t, DialogValues& values) {
            edit(dynamic_cast<Values&>(values));
            return true;
        });
    }

    bool RunModalDialog(int32_t dialogId, DialogValues& values) override;
    void ShowMessage(const Message& message) override;
    bool AskYesNo(const Message& message) override;
    // File and folder choosers answer from fileChoices / folderChoices
    // (cancel when empty) and log the requests.
    std::vector<std::string> ChooseFiles(const FileDialogRequest& request) override;
    std::string ChooseFolder(const std::string& startDirectory, int32_t titleId) override;
    // The check box 1101 ends as boxAnswer when set, else as it started.
    std::vector<std::string> ChooseFilesWithDirectoryBox(const FileDialogRequest& request, bool& box) override;
    std::string ComboText(int32_t controlId) override { return comboSelected[controlId]; }
    void FillCombo(int32_t controlId, const std::vector<std::string>& entries,
                   const std::string& selectedText) override;
    void SetControlChecked(int32_t controlId, bool checked) override { checkedControls[controlId] = checked; }
    bool IsControlChecked(int32_t controlId) override { return checkedControls[controlId]; }
    void EnableControl(int32_t controlId, bool enabled) override { enabledControls[controlId] = enabled; }
    void ShowControl(int32_t, bool) override {}
    void CheckMenuItem(int32_t, bool) override {}
    void EnableMenuItem(int32_t commandId, bool enabled) override { enabledMenuItems[commandId] = enabled; }
    void BeginWaitCursor() override { ++waitDepth; }
    void EndWaitCursor() override { --waitDepth; }
    void NotifyPage(PageId page, const PageNotification& notification) override;
    void RepaintPages() override { ++repaints; }
    bool StartProcess(const std::string&, const std::vector<std::string>&) override { return false; }

    // Text ids of every message shown, in order.
    std::vector<int32_t> MessageIds() const;
    // The judgements sent to the result-indicator page, in order.
    std::vector<int64_t> Judgements() const;

    // Answers to AskYesNo in order; No when none is left.
    std::deque<bool> yesNoAnswers;
    int questions = 0;
    std::deque<std::vector<std::string>> fileChoices;
    std::deque<std::string> folderChoices;
    std::vector<FileDialogRequest> fileRequests;
    std::vector<std::string> folderStarts;
    std::vector<bool> boxShown;  // the check box state each directory-box dialog started with
    int boxAnswer = -1;          // -1 keep, 0 off, 1 on
    std::vector<Message> shown;  // every message and question in full

    std::vector<ShownMessage> messages;
    std::vector<DialogCall> dialogs;
    std::vector<std::pair<PageId, PageNotification>> notifications;
    std::map<int32_t, std::vector<std::string>> comboEntries;
    std::map<int32_t, std::string> comboSelected;
    std::map<int32_t, bool> checkedControls;
    std::map<int32_t, bool> enabledControls;
    std::map<int32_t, bool> enabledMenuItems;
    int waitDepth = 0;
    int repaints = 0;

private:
    std::deque<Reply> replies_;
};

}  // namespace kr70::test

#endif
