#pragma once
// Message boxes and the file-open dialog as a seam: production shows Qt dialogs,
// tests answer from a script and record every box.

#include <functional>
#include <optional>
#include <string>

namespace velmar {

enum class MessageIcon { None, Warning, Information, Stop };
enum class MessageButtons { Ok, OkCancel, YesNo };
enum class MessageAnswer { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

struct MessageRequest {
    std::string text;
    std::string title;
    MessageButtons buttons = MessageButtons::Ok;
    bool cancelIsDefault = false;  // Cancel, or No, is the default button
    MessageIcon icon = MessageIcon::None;
    std::string detail;  // the operating system's cause, when there is one; may be empty
};

struct FileDialogRequest {
    std::string filter;  // "Description|pattern;pattern|Description|pattern..."
    unsigned flags = 0;
    std::string folder;  // where the dialog starts; "" for the toolkit's choice
};

class Dialogs {
  public:
    virtual ~Dialogs() = default;
    // Closing the box without a button answers Cancel (No for a Yes/No box).
    virtual MessageAnswer messageBox(const MessageRequest& request) = 0;
    // The chosen full path, or nullopt when the user cancelled.
    virtual std::optional<std::string> openFile(const FileDialogRequest& request) = 0;
    // A question that does not hold its caller: it returns at once, and `answered` runs later,
    // from the event loop, with the answer (closing the box without a button answers No, as
    // does stopAsking). One at a time.
    virtual void ask(const MessageRequest& request,
                     std::function<void(MessageAnswer)> answered) = 0;
    // Closes the open question, if any, without answering it.
    virtual void withdrawQuestion() = 0;
    // For when the program must end with nobody there to answer: closes every box and dialog
    // that is open, as if closed without a button, and answers every later one the same way
    // at once.
    virtual void stopAsking() {}
};

}  // namespace velmar
