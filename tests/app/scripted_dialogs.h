#pragma once
// Dialogs double for window tests: answers boxes and file dialogs from a script, records every
// request, and lets a test look at the window while a box is up (the box is modal, so what the
// operator sees then is what the hook sees).

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/dialogs.h"

namespace velmar::testing {

// How the operator leaves a box: a button (Ok also stands for Yes, Cancel for No), the Enter
// key (the default button) or the title bar's close button.
enum class BoxReply { Ok, Cancel, Enter, Close };

class ScriptedDialogs : public Dialogs {
  public:
    MessageAnswer messageBox(const MessageRequest& request) override {
        boxes.push_back(request);
        if (onBox) onBox(request);
        if (request.buttons == MessageButtons::Ok) return MessageAnswer::Ok;
        BoxReply reply = BoxReply::Ok;
        if (!replies.empty()) {
            reply = replies.front();
            replies.pop_front();
        }
        return answerFor(request, reply);
    }

    // Answered at once like a box, unless `holdQuestion` is set: then it stays open until
    // answerQuestion, or until the window withdraws it.
    void ask(const MessageRequest& request, std::function<void(MessageAnswer)> answered) override {
        if (!holdQuestion) {
            answered(messageBox(request));
            return;
        }
        boxes.push_back(request);
        if (onBox) onBox(request);
        question_ = request;
        answerOpenQuestion_ = std::move(answered);
    }
    void withdrawQuestion() override {
        if (answerOpenQuestion_) ++withdrawn;
        answerOpenQuestion_ = nullptr;
    }
    void answerQuestion(BoxReply reply) {
        auto answered = std::exchange(answerOpenQuestion_, nullptr);
        answered(answerFor(question_, reply));
    }
    bool questionOpen() const { return answerOpenQuestion_ != nullptr; }

    std::optional<std::string> openFile(const FileDialogRequest& request) override {
        fileRequests.push_back(request);
        if (files.empty()) return std::nullopt;
        auto chosen = files.front();
        files.pop_front();
        return chosen;
    }

    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const auto& box : boxes) out.push_back(box.text);
        return out;
    }

    // Answers for the OK/Cancel and Yes/No boxes, in order (OK or Yes when none is queued);
    // OK-only boxes take none.
    std::deque<BoxReply> replies;
    // Paths the file dialog returns in order; nullopt (or an empty script) is a cancel.
    std::deque<std::optional<std::string>> files;
    std::function<void(const MessageRequest&)> onBox;
    bool holdQuestion = false;
    int withdrawn = 0;  // questions the window closed unanswered

    std::vector<MessageRequest> boxes;
    std::vector<FileDialogRequest> fileRequests;

  private:
    static MessageAnswer answerFor(const MessageRequest& request, BoxReply reply) {
        const bool positive =
            reply == BoxReply::Ok || (reply == BoxReply::Enter && !request.cancelIsDefault);
        if (request.buttons == MessageButtons::YesNo)
            return positive ? MessageAnswer::Yes : MessageAnswer::No;
        return positive ? MessageAnswer::Ok : MessageAnswer::Cancel;
    }

    MessageRequest question_;
    std::function<void(MessageAnswer)> answerOpenQuestion_;
};

}  // namespace velmar::testing
