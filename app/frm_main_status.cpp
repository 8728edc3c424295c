// The status bar under the designed client area: what is loaded, how a rewrite goes, and how
// the last one ended. It adds to the window without moving anything designed.

#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QStatusBar>
#include <QTime>
#include <algorithm>
#include <cmath>

#include "app/frm_main.h"
#include "app/status_texts.h"
#include "image/blocks.h"
#include "image/checksum.h"
#include "protocol/rewrite_sequence.h"

namespace velmar {

namespace {

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

// Long texts are cut at the window's edge rather than widening the window; the tooltip has
// them whole.
QLabel* statusLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    label->setMinimumSize(1, label->fontMetrics().height());
    return label;
}

// "/dev/ttyUSB0 (FT232R USB UART)", or the mark for a port with nothing behind it.
QString deviceText(const std::string& device, const std::string& description) {
    if (device.empty()) return status_texts::kNoDevice;
    return description.empty() ? q(device) : q(device) + " (" + q(description) + ")";
}

}  // namespace

void frmMain::buildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName("statusBar");
    bar->setSizeGripEnabled(false);
    // Two lines, so the operator-sized window has room for both: what is loaded, and what
    // runs or how the last rewrite ended.
    auto* panel = new QWidget(bar);
    auto* lines = new QGridLayout(panel);
    lines->setContentsMargins(0, 0, 0, 0);
    lines->setVerticalSpacing(0);
    statusFile_ = statusLabel(panel, "statusFile");
    statusImage_ = statusLabel(panel, "statusImage");
    statusActivity_ = statusLabel(panel, "statusActivity");
    lines->addWidget(statusFile_, 0, 0);
    lines->addWidget(statusImage_, 0, 1);
    lines->addWidget(statusActivity_, 1, 0, 1, 2);
    lines->setHorizontalSpacing(12);
    lines->setColumnStretch(1, 1);
    bar->addWidget(panel, 1);
    statusFile_->setText(status_texts::kNoFirmware);
}

void frmMain::showLoadedFile() {
    const QString path = q(firmwarePath_);
    statusFile_->setText(QFileInfo(path).fileName());
    statusFile_->setToolTip(path);
    const std::string sum = checksumText(image_, "C000", "FFFF").value_or("");
    const std::string sha = firmwareSha256_.substr(0, 8);
    statusImage_->setText(
        QString(status_texts::kImageSummary).arg(q(sum), q(sha)).arg(usedBlockRows(image_).size()));
}

void frmMain::clearActivity() {
    statusActivity_->clear();
    statusActivity_->setToolTip({});
    blocksToSend_ = 0;
}

void frmMain::showStage(RewriteStage stage) {
    switch (stage) {
        case RewriteStage::Connect:
            statusActivity_->setText(status_texts::kConnecting);
            break;
        case RewriteStage::Erase:
            statusActivity_->setText(status_texts::kErasing);
            break;
        case RewriteStage::Write:
            blocksToSend_ = static_cast<int>(usedBlockRows(image_).size());
            blocksAccepted_ = 0;
            writeStarted_ = std::chrono::steady_clock::now();
            showWriteProgress();
            break;
        case RewriteStage::End:
            blocksToSend_ = 0;
            statusActivity_->setText(status_texts::kEnding);
            break;
        case RewriteStage::None:
        case RewriteStage::NothingToSend:
            break;
    }
}

void frmMain::showWriteProgress() {
    // Only a rewrite's write counts its blocks; a manual write leaves the bar as it is.
    if (blocksToSend_ <= 0) return;
    const int done = std::min(blocksAccepted_, blocksToSend_);
    QString text = QString(status_texts::kWriting)
                       .arg(std::min(done + 1, blocksToSend_))
                       .arg(blocksToSend_)
                       .arg(done * 100 / blocksToSend_);
    if (done > 0) {
        const std::chrono::duration<double> elapsed =
            std::chrono::steady_clock::now() - writeStarted_;
        const double left = elapsed.count() / done * (blocksToSend_ - done);
        text += QString(status_texts::kTimeLeft).arg(std::lround(left));
    }
    statusActivity_->setText(text);
}

void frmMain::keepRewriteResult(const ServiceRecord& record) {
    const QString port = record.port ? QString::number(*record.port) : QString("-");
    // One arg() for all, so a % in the result or the device is never taken for a marker.
    const QString text =
        QString(status_texts::kResult)
            .arg(q(record.result), port, deviceText(record.device, {}),
                 QString::number(record.blocksWritten), QString::number(record.blocksTotal),
                 QString::number(record.seconds, 'f', 1),
                 QTime::currentTime().toString("HH:mm:ss"));
    statusActivity_->setText(text);
    // The adapter's name and the file make the line too long for the operator's window.
    statusActivity_->setToolTip(text + "\n" + deviceText(record.device, record.description) + "\n" +
                                q(record.file));
}

std::string frmMain::rewriteTarget() const {
    const int16_t port = GetCOM();
    std::string device;
    std::string description;
    if (ports_ != nullptr) {
        for (const ResolvedPort& entry : ports_->resolve())
            if (entry.port == port) {
                device = entry.device;
                if (entry.info) description = entry.info->description;
            }
    }
    const std::string sum = checksumText(image_, "C000", "FFFF").value_or("");
    const QString file = firmwarePath_.empty() ? status_texts::kNoFirmware : q(firmwarePath_);
    return QString(status_texts::kTarget)
        .arg(file, q(sum), QString::number(port), deviceText(device, description))
        .toStdString();
}

}  // namespace velmar
