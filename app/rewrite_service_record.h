#pragma once
// The service log's record of the window's rewrites: one per rewrite the operator confirmed,
// and one for a rewrite refused before anything was sent. It follows the rewrite's events and
// never changes its course: a log that cannot be written is named under the final message.

#include <cstdint>
#include <optional>
#include <string>

#include "app/dialogs.h"
#include "image/memory_image.h"
#include "platform/port_names.h"
#include "protocol/current_loader.h"
#include "records/rewrite_recorder.h"

namespace velmar {

enum class RewriteStage;

class RewriteServiceRecord {
  public:
    // What is written where, once the rewrite is confirmed (or refused before anything went
    // out); `begin` appends the record as the connect goes out. `ports` outlives the record.
    void describe(const std::string& file, const std::string& sha256, const MemoryImage& image,
                  int16_t port, LoaderVersion loader, const PortDirectory* ports, bool begin);
    void reached(RewriteStage stage);
    void blockWritten();
    // The device the rewrite held.
    void ended(const std::string& device);
    // Appends the record with `box`'s text as its result, just before `box` is shown; a log
    // that could not be written is added to its detail. The record as kept, when there was one.
    std::optional<ServiceRecord> finish(MessageRequest& box);

  private:
    std::optional<RewriteRecorder> recorder_;
};

}  // namespace velmar
