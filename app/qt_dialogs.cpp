#include "app/qt_dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

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
    QMessageBox box(qtIcon(request.icon), displayText(request.title), displayText(request.text),
                    QMessageBox::Ok, parent_);
    if (request.buttons == MessageButtons::OkCancel) {
        box.addButton(QMessageBox::Cancel);
        box.setDefaultButton(request.cancelIsDefault ? QMessageBox::Cancel : QMessageBox::Ok);
        // Escape and the title bar's close button answer Cancel.
        box.setEscapeButton(QMessageBox::Cancel);
    } else {
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
    if (!request.detail.empty()) box.setInformativeText(displayText(request.detail));
    box.exec();
    if (request.buttons == MessageButtons::Ok) return MessageAnswer::Ok;
    return box.clickedButton() == box.button(QMessageBox::Ok) ? MessageAnswer::Ok
                                                              : MessageAnswer::Cancel;
}

std::optional<std::string> QtDialogs::openFile(const FileDialogRequest& request) {
    QFileDialog dialog(parent_);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode((request.flags & kFileMustExist) != 0 ? QFileDialog::ExistingFile
                                                             : QFileDialog::AnyFile);
    QStringList filters;
    for (const auto& filter : qtNameFilters(request.filter))
        filters << QString::fromStdString(filter);
    dialog.setNameFilters(filters);
    if (!filters.isEmpty()) dialog.selectNameFilter(filters.front());
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.front().isEmpty()) return std::nullopt;
    return chosen.front().toStdString();
}

}  // namespace velmar
