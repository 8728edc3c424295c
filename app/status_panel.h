#pragma once
// The status bar under the designed client area: what is loaded, how a rewrite goes, and how
// the last one ended. It adds to the window without moving anything designed.

#include <QString>
#include <chrono>
#include <cstdint>
#include <string>

#include "image/memory_image.h"
#include "platform/port_names.h"
#include "records/service_record.h"

class QStatusBar;

namespace velmar {

enum class RewriteStage;
class StatusLine;

class StatusPanel {
  public:
    // Builds its lines into `bar`, which owns them.
    explicit StatusPanel(QStatusBar* bar);

    // Line one: the file last loaded and the image it gave.
    void showLoadedFile(const std::string& path, const std::string& sha256,
                        const MemoryImage& image);
    // Line two, the activity: empty until something runs.
    void clearActivity();
    // The stage a rewrite has reached; its write counts the blocks `image` has to send.
    void showStage(RewriteStage stage, const MemoryImage& image);
    // One block of the rewrite's write accepted; a manual write leaves the line as it is.
    void blockAccepted();
    // How the last rewrite ended: stays until the next operation begins.
    void keepRewriteResult(const ServiceRecord& record);

  private:
    void showWriteProgress();

    StatusLine* file_ = nullptr;
    StatusLine* image_ = nullptr;
    StatusLine* activity_ = nullptr;
    // The rewrite's write in progress.
    int blocksToSend_ = 0;
    int blocksAccepted_ = 0;
    std::chrono::steady_clock::time_point writeStarted_;
};

// "/dev/ttyUSB0 (FT232R USB UART)"; the no-device mark alone for a port with no device, after
// the name for one whose device is not connected.
QString deviceText(const std::string& device, const std::string& description, bool present = true);

// The rewrite confirmation's detail: what is written where, and first, for a port with no
// device, that the rewrite will not connect.
std::string rewriteTargetText(const std::string& firmwarePath, const MemoryImage& image,
                              int16_t port, PortDirectory* ports);

}  // namespace velmar
