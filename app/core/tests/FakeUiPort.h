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
    std::vector<std::string> ChooseFiles(const FileDialogRequest&) override { return {}; }
    std::string ChooseFolder(const std::string&, int32_t) override { return {}; }
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
