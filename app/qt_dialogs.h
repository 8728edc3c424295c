#pragma once
// The dialogs seam on real Qt dialogs: QMessageBox and QFileDialog.

#include <QPointer>
#include <QWidget>

#include "platform/dialogs.h"

namespace velmar {

class QtDialogs : public Dialogs {
  public:
    // Boxes are modal to `parent`; it may be set once the window exists.
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void setParentWidget(QWidget* parent) { parent_ = parent; }

    MessageAnswer messageBox(const MessageRequest& request) override;
    std::optional<std::string> openFile(const FileDialogRequest& request) override;

  private:
    QPointer<QWidget> parent_;
};

}  // namespace velmar
