#include "app/status_panel.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QStatusBar>
#include <QTime>
#include <algorithm>
#include <cmath>

#include "app/status_line.h"
#include "app/status_texts.h"
#include "app/translation.h"
#include "image/blocks.h"
#include "image/checksum.h"
#include "protocol/rewrite_sequence.h"

namespace velmar {

namespace {

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

StatusLine* statusLine(QWidget* parent, const char* name) {
    auto* line = new StatusLine(parent);
    line->setObjectName(name);
    return line;
}

}  // namespace

QString deviceText(const std::string& device, const std::string& description, bool present) {
    if (device.empty()) return statusText(status_texts::kNoDevice);
    // A name with nothing behind it (Windows names every COM port) says so too.
    if (!present) return q(device) + " " + statusText(status_texts::kNoDevice);
    return description.empty() ? q(device) : q(device) + " (" + q(description) + ")";
}

StatusPanel::StatusPanel(QStatusBar* bar) {
    bar->setObjectName("statusBar");
    bar->setSizeGripEnabled(false);
    // Two lines, so the operator-sized window has room for both: what is loaded, and what
    // runs or how the last rewrite ended.
    auto* panel = new QWidget(bar);
    auto* lines = new QGridLayout(panel);
    lines->setContentsMargins(0, 0, 0, 0);
    lines->setVerticalSpacing(0);
    file_ = statusLine(panel, "statusFile");
    image_ = statusLine(panel, "statusImage");
    activity_ = statusLine(panel, "statusActivity");
    lines->addWidget(file_, 0, 0);
    lines->addWidget(image_, 0, 1);
    lines->addWidget(activity_, 1, 0, 1, 2);
    lines->setHorizontalSpacing(12);
    lines->setColumnStretch(1, 1);
    bar->addWidget(panel, 1);
    file_->showLine(statusText(status_texts::kNoFirmware));
}

void StatusPanel::showLoadedFile(const std::string& path, const std::string& sha256,
                                 const MemoryImage& image) {
    const QString shown = q(path);
    file_->showLine(QFileInfo(shown).fileName(), shown);
    const std::string sum = checksumText(image, "C000", "FFFF").value_or("");
    const std::string sha = sha256.substr(0, 8);
    image_->showLine(statusText(status_texts::kImageSummary)
                         .arg(q(sum), q(sha))
                         .arg(usedBlockRows(image).size()));
}

void StatusPanel::clearActivity() {
    activity_->showLine({});
    blocksToSend_ = 0;
}

void StatusPanel::showStage(RewriteStage stage, const MemoryImage& image) {
    switch (stage) {
        case RewriteStage::Connect:
            activity_->showLine(statusText(status_texts::kConnecting));
            break;
        case RewriteStage::Erase:
            activity_->showLine(statusText(status_texts::kErasing));
            break;
        case RewriteStage::Write:
            blocksToSend_ = static_cast<int>(usedBlockRows(image).size());
            blocksAccepted_ = 0;
            writeStarted_ = std::chrono::steady_clock::now();
            showWriteProgress();
            break;
        case RewriteStage::End:
            blocksToSend_ = 0;
            activity_->showLine(statusText(status_texts::kEnding));
            break;
        case RewriteStage::None:
        case RewriteStage::NothingToSend:
            break;
    }
}

void StatusPanel::blockAccepted() {
    ++blocksAccepted_;
    showWriteProgress();
}

void StatusPanel::showWriteProgress() {
    // Only a rewrite's write counts its blocks; a manual write leaves the bar as it is.
    if (blocksToSend_ <= 0) return;
    const int done = std::min(blocksAccepted_, blocksToSend_);
    QString text = statusText(status_texts::kWriting)
                       .arg(std::min(done + 1, blocksToSend_))
                       .arg(blocksToSend_)
                       .arg(done * 100 / blocksToSend_);
    if (done > 0) {
        const std::chrono::duration<double> elapsed =
            std::chrono::steady_clock::now() - writeStarted_;
        const double left = elapsed.count() / done * (blocksToSend_ - done);
        text += statusText(status_texts::kTimeLeft).arg(std::lround(left));
    }
    activity_->showLine(text);
}

void StatusPanel::keepRewriteResult(const ServiceRecord& record) {
    const QString port = record.port ? QString::number(*record.port) : QString("-");
    // One arg() for all, so a % in the result or the device is never taken for a marker.
    const QString text =
        statusText(status_texts::kResult)
            .arg(q(record.result), port, deviceText(record.device, {}),
                 QString::number(record.blocksWritten), QString::number(record.blocksTotal),
                 QString::number(record.seconds, 'f', 1),
                 QTime::currentTime().toString("HH:mm:ss"));
    // The adapter's name and the file make the line too long for the operator's window.
    activity_->showLine(
        text, text + "\n" + deviceText(record.device, record.description) + "\n" + q(record.file));
}

std::string rewriteTargetText(const std::string& firmwarePath, const MemoryImage& image,
                              int16_t port, PortDirectory* ports) {
    std::string device;
    std::string description;
    bool present = false;
    if (ports != nullptr) {
        for (const ResolvedPort& entry : ports->resolve())
            if (entry.port == port) {
                device = entry.device;
                present = entry.present;
                if (entry.info) description = entry.info->description;
            }
    }
    const std::string sum = checksumText(image, "C000", "FFFF").value_or("");
    const QString file =
        firmwarePath.empty() ? statusText(status_texts::kNoFirmware) : q(firmwarePath);
    QString text =
        statusText(status_texts::kTarget)
            .arg(file, q(sum), QString::number(port), deviceText(device, description, present));
    // Said plainly before anything is sent: with nothing there the connect cannot succeed.
    if (ports != nullptr && (device.empty() || !present))
        text = statusText(status_texts::kNoDeviceWarning).arg(port) + "\n\n" + text;
    return text.toStdString();
}

}  // namespace velmar
