// Firmware files reaching the window other than through the start-up load: the open dialog
// starting in the last folder, and files dropped onto the window.

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "app/frm_main.h"
#include "app/operation_guard.h"
#include "app/recent_folder.h"
#include "app/window_texts.h"

namespace velmar {

namespace {

// The one local file a drop carries; "" for anything else.
std::string droppedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || data->urls().size() != 1) return {};
    const QUrl url = data->urls().front();
    return url.isLocalFile() ? url.toLocalFile().toStdString() : std::string();
}

}  // namespace

uint8_t frmMain::openFirmwareFile() {
    FileDialogRequest request;
    request.filter = texts::kFirmwareFilter;
    request.flags = texts::kFirmwareDialogFlags;
    if (recentFolder_ != nullptr) request.folder = recentFolder_->load();
    const auto path = dialogs_.openFile(request);
    if (!path || path->empty()) return 0;
    if (recentFolder_ != nullptr) recentFolder_->rememberFileIn(*path);
    return loadFirmwareFile(*path);
}

void frmMain::loadDroppedFile(const std::string& path) {
    if (operationRunning() || path.empty()) return;
    OperationGuard::Scope operation(*guard_, OperationGuard::Activity::Load);
    if (recentFolder_ != nullptr) recentFolder_->rememberFileIn(path);
    loadFirmwareFile(path);
}

void frmMain::dragEnterEvent(QDragEnterEvent* event) {
    if (!operationRunning() && !droppedFile(event->mimeData()).empty())
        event->acceptProposedAction();
}

void frmMain::dropEvent(QDropEvent* event) {
    const std::string path = droppedFile(event->mimeData());
    if (operationRunning() || path.empty()) return;
    event->acceptProposedAction();
    loadDroppedFile(path);
}

}  // namespace velmar
