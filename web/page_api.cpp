// What the page asks of the core: the window's texts, loading a firmware file, and the rewrite.
// Every answer is one JSON object, so the page shows the core's own words and never makes up
// its own for what the core decides.

#include <emscripten.h>

#include <string>

#include "app/status_texts.h"
#include "app/window_texts.h"
#include "cli/json_text.h"
#include "files/firmware_loader.h"
#include "image/blocks.h"
#include "image/checksum.h"
#include "protocol/rewrite_sequence.h"
#include "web/web_event_wait.h"
#include "web/web_serial_control.h"
#include "wording/hex_text.h"
#include "wording/load_words.h"
#include "wording/record_words.h"
#include "wording/rewrite_words.h"

namespace velmar::web {

namespace {

// The page has one port; the rewrite is told it is COM 1.
constexpr int16_t kPagePort = 1;

using cli::jsonString;

// Builds one JSON object, field by field.
class JsonObject {
  public:
    JsonObject& text(const char* key, const std::string& value) {
        return raw(key, jsonString(value));
    }
    JsonObject& number(const char* key, long long value) { return raw(key, std::to_string(value)); }
    JsonObject& flag(const char* key, bool value) { return raw(key, value ? "true" : "false"); }
    JsonObject& raw(const char* key, const std::string& json) {
        body_ += (body_.empty() ? "" : ",") + jsonString(key) + ":" + json;
        return *this;
    }
    std::string str() const { return "{" + body_ + "}"; }

  private:
    std::string body_;
};

struct Core {
    MemoryImage image;
    MemoryImage scratch;
    WebSerialControl serial;
    WebEventWait wait;
    LoaderLink link{serial, wait};
};

Core& core() {
    static Core instance;
    return instance;
}

// The answer handed to the page stays valid until the next call.
const char* answer(std::string json) {
    static std::string kept;
    kept = std::move(json);
    return kept.c_str();
}

const char* iconName(LoadMessage::Icon icon) {
    switch (icon) {
        case LoadMessage::Icon::Warning:
            return "warning";
        case LoadMessage::Icon::Stop:
            return "stop";
        case LoadMessage::Icon::None:
            break;
    }
    return "";
}

// clang-format off
EM_JS(void, page_progress, (float value), { Module.page.progress(value); });
EM_JS(void, page_address, (const char* text), { Module.page.address(UTF8ToString(text)); });
EM_JS(void, page_accepted, (), { Module.page.accepted(); });
EM_JS(void, page_stage, (const char* stage), { Module.page.stage(UTF8ToString(stage)); });
EM_ASYNC_JS(int, page_confirm, (), { return (await Module.page.confirmRewrite()) ? 1 : 0; });
// clang-format on

// The bar, the address box and the page's block count follow the write.
class PageObserver final : public WriteObserver {
  public:
    float progressValue() const override { return value_; }
    void setProgressValue(float value) override {
        value_ = value;
        page_progress(value);
    }
    void showRow(int32_t row) override { page_address(addressDisplayText(row).c_str()); }
    void accepted(int32_t) override { page_accepted(); }

  private:
    float value_ = 0;
};

}  // namespace

}  // namespace velmar::web

using namespace velmar;
using namespace velmar::web;

extern "C" {

// The window's own texts that the page shows, by their names in the window.
EMSCRIPTEN_KEEPALIVE const char* velmar_texts() {
    std::string columns;
    for (const char* column : status_texts::kColumns)
        columns += (columns.empty() ? "" : ",") + jsonString(column);
    // The box of a file the browser could not read (the core never saw its bytes).
    LoadOutcome unread;
    unread.kind = LoadOutcome::Kind::FileOpenError;
    const LoadMessage unreadable = loadMessage(unread);
    return answer(JsonObject()
                      .text("fileOpenErrorText", unreadable.text)
                      .text("fileOpenErrorTitle", unreadable.title)
                      .text("windowCaption", texts::kWindowCaption)
                      .text("defaultFirmwareName", texts::kDefaultFirmwareName)
                      .text("mainButtonCaption", texts::kMainButtonCaption)
                      .text("confirmText", texts::kConfirmText)
                      .text("confirmTitle", texts::kConfirmTitle)
                      .text("errorTitle", texts::kErrorTitle)
                      .text("successTitle", texts::kSuccessTitle)
                      .text("noFirmware", status_texts::kNoFirmware)
                      .text("connecting", status_texts::kConnecting)
                      .text("erasing", status_texts::kErasing)
                      .text("writing", status_texts::kWriting)
                      .text("timeLeft", status_texts::kTimeLeft)
                      .text("ending", status_texts::kEnding)
                      .text("recordsTitle", status_texts::kRecordsTitle)
                      .text("interrupted", words::kInterruptedShown)
                      .text("interruptedMeaning", words::kInterruptedMeaningShown)
                      .raw("columns", "[" + columns + "]")
                      .str()
                      .c_str());
}

// Loads the file the page put at `path`; `name` is what the technician knows it by.
EMSCRIPTEN_KEEPALIVE const char* velmar_load(const char* path, const char* name) {
    Core& c = core();
    const LoadOutcome outcome = loadFirmwareFile(path, c.image, c.scratch);
    const LoadMessage message = loadMessage(outcome);
    JsonObject json;
    json.flag("loaded", outcome.result == 1)
        .text("text", message.text)
        .text("title", message.title)
        .text("icon", iconName(message.icon))
        .text("meaning", outcome.kind == LoadOutcome::Kind::Refused
                             ? describeReaderCode(outcome.code)
                             : describeLoadFailure(outcome, name));
    // What is loaded now: the new file, or the one before a refused file.
    json.number("blocks", static_cast<long long>(usedBlockRows(c.image).size()))
        .text("checksum", checksumText(c.image, "C000", "FFFF").value_or(""));
    return answer(json.str());
}

// The window's rewrite sequence: confirmation, connect, erase, write, end. `loader` 0 is
// "Previous version 1.05", 1 "Version 1.06 or later".
EMSCRIPTEN_KEEPALIVE const char* velmar_rewrite(int loader) {
    Core& c = core();
    const LoaderVersion version = loader == 0 ? LoaderVersion::v105 : LoaderVersion::v106OrLater;
    PageObserver observer;
    bool cancelled = false;
    const RewriteRun run{
        .loader = version,
        .port = kPagePort,
        .observer = observer,
        .beforeStep =
            [&](RewriteStage stage) {
                if (stage == RewriteStage::Connect) {
                    cancelled = page_confirm() == 0;
                    if (cancelled) return false;
                } else if (stage == RewriteStage::Erase) {
                    observer.setProgressValue(0.0f);
                }
                page_stage(words::stageName(stage));
                return true;
            },
    };
    const RewriteOutcome outcome = runRewrite(c.link, c.image, run);
    const words::RewriteWords said = words::rewriteWords(outcome, version);
    return answer(JsonObject()
                      .flag("cancelled", cancelled)
                      .flag("succeeded", said.succeeded)
                      .text("headline", said.headline)
                      .text("detail", said.detail)
                      .text("log", said.logText)
                      .text("stage", words::stageName(outcome.failed))
                      .text("device", outcome.device)
                      .number("blocksWritten", static_cast<long long>(outcome.blocksWritten))
                      .number("blocksToSend", static_cast<long long>(outcome.blocksToSend))
                      .str());
}

}  // extern "C"
