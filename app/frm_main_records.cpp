// The way from the window to its service records.

#include <QAction>
#include <QMenu>

#include "app/frm_main.h"
#include "app/service_record_dialog.h"
#include "app/status_texts.h"
#include "records/service_log.h"

namespace velmar {

void frmMain::addServiceRecordsEntry() {
    auto* mnuFile = findChild<QMenu*>("mnuFile");
    mnuServiceRecords_ = new QAction(tr(status_texts::kRecordsMenu), mnuFile);
    mnuServiceRecords_->setObjectName("mnuServiceRecords");
    mnuFile->insertAction(mnuEnd_, mnuServiceRecords_);
    connect(mnuServiceRecords_, &QAction::triggered, this, [this] { showServiceRecords(); });
}

void frmMain::showServiceRecords() {
    // Not modal: the window stays usable, and the log is read now, not at start-up.
    auto* dialog = new ServiceRecordDialog(serviceLogPath(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}

}  // namespace velmar
