#include "app/qt_dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>
#include <cstdio>

#include "app/dialog_filter.h"

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

// Texts keep their CR LF line breaks; Qt breaks lines at the LF alone.
QString displayText(const std::string& text) {
    QString shown = QString::fromStdString(text);
    shown.replace("\r\n", "\n");
    return shown;
}

// The flags that matter here: the file must exist (0x1000) and the current directory stays
// (0x8). QFileDialog never changes the process's directory and only hands back existing files
// in open mode; the read-only box (0x4) does not exist in it.
constexpr unsigned kFileMustExist = 0x1000;

}  // namespace

MessageAnswer QtDialogs::messageBox(const MessageRequest& request) {
    if (stoppedAsking_) {
        // Nobody is there to read it; a log of the program's output may be.
        std::string line = request.title + ": " + request.text;
        if (!request.detail.empty()) line += " (" + request.detail + ")";
        std::fprintf(stderr, "%s\n", line.c_str());
        return request.buttons == MessageButtons::Ok      ? MessageAnswer::Ok
               : request.buttons == MessageButtons::YesNo ? MessageAnswer::No
                                                          : MessageAnswer::Cancel;
    }
    QMessageBox box(qtIcon(request.icon), displayText(request.title), displayText(request.text),
                    QMessageBox::NoButton, parent_);
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
    const OpenWidget open(open_, &box);
    box.exec();
    const bool positive = box.clickedButton() == box.button(yes);
    switch (request.buttons) {
        case MessageButtons::Ok:
            return MessageAnswer::Ok;
        case MessageButtons::OkCancel:
            return positive ? MessageAnswer::Ok : MessageAnswer::Cancel;
        case MessageButtons::YesNo:
            break;
    }
    return positive ? MessageAnswer::Yes : MessageAnswer::No;
}

void QtDialogs::stopAsking() {
    stoppedAsking_ = true;
    // Innermost first: each one's exec returns before the box under it is closed.
    for (auto it = open_.rbegin(); it != open_.rend(); ++it)
        if (*it) (*it)->close();
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
    const OpenWidget open(open_, &dialog);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.front().isEmpty()) return std::nullopt;
    return chosen.front().toStdString();
}

}  // namespace velmar
