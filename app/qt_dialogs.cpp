#include "app/qt_dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>
#include <cstdio>

#include "app/dialog_filter.h"
#include "app/translation.h"

namespace velmar {

namespace {

QMessageBox::Icon qtIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Warning:
            return QMessageBox::Warning;
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Stop:
            return QMessageBox::Critical;
        case MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

// Texts keep their CR LF line breaks; Qt breaks lines at the LF alone. Every box shows its
// texts in the language in use.
QString displayText(const std::string& text) {
    QString shown = shownText(text);
    shown.replace("\r\n", "\n");
    return shown;
}

// The flags that matter here: the file must exist (0x1000) and the current directory stays
// (0x8). QFileDialog never changes the process's directory and only hands back existing files
// in open mode; the read-only box (0x4) does not exist in it.
constexpr unsigned kFileMustExist = 0x1000;

// Nobody is there to read it; a log of the program's output may be.
MessageAnswer answerOnStderr(const MessageRequest& request) {
    std::string line = request.title + ": " + request.text;
    if (!request.detail.empty()) line += " (" + request.detail + ")";
    std::fprintf(stderr, "%s\n", line.c_str());
    return request.buttons == MessageButtons::Ok      ? MessageAnswer::Ok
           : request.buttons == MessageButtons::YesNo ? MessageAnswer::No
                                                      : MessageAnswer::Cancel;
}

// The box for `request`; returns its positive button.
QMessageBox::StandardButton setUpBox(QMessageBox& box, const MessageRequest& request) {
    box.setIcon(qtIcon(request.icon));
    box.setWindowTitle(displayText(request.title));
    box.setText(displayText(request.text));
    // The positive button and the one that Escape, the title bar's close button and a dismissal
    // answer with.
    QMessageBox::StandardButton yes = QMessageBox::Ok;
    QMessageBox::StandardButton no = QMessageBox::Ok;
    if (request.buttons == MessageButtons::OkCancel) {
        no = QMessageBox::Cancel;
    } else if (request.buttons == MessageButtons::YesNo) {
        yes = QMessageBox::Yes;
        no = QMessageBox::No;
    }
    box.setStandardButtons(yes | no);
    box.setDefaultButton(request.cancelIsDefault ? no : yes);
    box.setEscapeButton(no);
    if (!request.detail.empty()) box.setInformativeText(displayText(request.detail));
    return yes;
}

MessageAnswer answerOf(const QMessageBox& box, QMessageBox::StandardButton yes,
                       MessageButtons buttons) {
    const bool positive = box.clickedButton() == box.button(yes);
    switch (buttons) {
        case MessageButtons::Ok:
            return MessageAnswer::Ok;
        case MessageButtons::OkCancel:
            return positive ? MessageAnswer::Ok : MessageAnswer::Cancel;
        case MessageButtons::YesNo:
            break;
    }
    return positive ? MessageAnswer::Yes : MessageAnswer::No;
}

}  // namespace

MessageAnswer QtDialogs::messageBox(const MessageRequest& request) {
    if (stoppedAsking_) return answerOnStderr(request);
    QMessageBox box(parent_);
    const auto yes = setUpBox(box, request);
    const OpenWidget open(open_, &box);
    box.exec();
    return answerOf(box, yes, request.buttons);
}

void QtDialogs::ask(const MessageRequest& request, std::function<void(MessageAnswer)> answered) {
    if (stoppedAsking_) {
        answered(answerOnStderr(request));
        return;
    }
    withdrawQuestion();
    auto* box = new QMessageBox(parent_);
    box->setAttribute(Qt::WA_DeleteOnClose);
    const auto yes = setUpBox(*box, request);
    QObject::connect(box, &QDialog::finished, box,
                     [this, box, yes, buttons = request.buttons, answered = std::move(answered)] {
                         question_ = nullptr;
                         answered(answerOf(*box, yes, buttons));
                     });
    question_ = box;
    box->open();
}

void QtDialogs::withdrawQuestion() {
    QDialog* box = question_;
    if (box == nullptr) return;
    question_ = nullptr;
    QObject::disconnect(box, &QDialog::finished, nullptr, nullptr);
    box->close();
}

void QtDialogs::stopAsking() {
    stoppedAsking_ = true;
    // Innermost first: each one's exec returns before the box under it is closed.
    for (auto it = open_.rbegin(); it != open_.rend(); ++it)
        if (*it) (*it)->close();
    if (question_) question_->close();
}

std::optional<std::string> QtDialogs::openFile(const FileDialogRequest& request) {
    if (stoppedAsking_) return std::nullopt;
    QFileDialog dialog(parent_);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode((request.flags & kFileMustExist) != 0 ? QFileDialog::ExistingFile
                                                             : QFileDialog::AnyFile);
    QStringList filters;
    for (const auto& filter : qtNameFilters(request.filter))
        filters << QString::fromStdString(filter);
    dialog.setNameFilters(filters);
    if (!filters.isEmpty()) dialog.selectNameFilter(filters.front());
    if (!request.folder.empty()) dialog.setDirectory(QString::fromStdString(request.folder));
    const OpenWidget open(open_, &dialog);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.front().isEmpty()) return std::nullopt;
    return chosen.front().toStdString();
}

}  // namespace velmar
