#pragma once
// The dialogs seam on real Qt dialogs: QMessageBox and QFileDialog.

#include <QDialog>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <vector>

#include "app/dialogs.h"

namespace velmar {

class QtDialogs : public Dialogs {
  public:
    // Boxes are modal to `parent`; it may be set once the window exists.
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void setParentWidget(QWidget* parent) { parent_ = parent; }

    MessageAnswer messageBox(const MessageRequest& request) override;
    // Shown window-modal with open(): the event loop that runs on meanwhile is the caller's.
    void ask(const MessageRequest& request, std::function<void(MessageAnswer)> answered) override;
    void withdrawQuestion() override;
    std::optional<std::string> openFile(const FileDialogRequest& request) override;
    // Later boxes go to stderr instead of the screen.
    void stopAsking() override;

  private:
    // Keeps a dialog in the list of open ones while it is shown.
    class OpenWidget {
      public:
        OpenWidget(std::vector<QPointer<QWidget>>& list, QWidget* widget) : list_(list) {
            list_.emplace_back(widget);
        }
        ~OpenWidget() { list_.pop_back(); }
        OpenWidget(const OpenWidget&) = delete;
        OpenWidget& operator=(const OpenWidget&) = delete;

      private:
        std::vector<QPointer<QWidget>>& list_;
    };

    QPointer<QWidget> parent_;
    QPointer<QDialog> question_;  // the box ask() left open
    std::vector<QPointer<QWidget>> open_;
    bool stoppedAsking_ = false;
};

}  // namespace velmar
