#pragma once
// What the single steps say: the manual buttons' OK / NG texts (also velmar-fw write-earlier's
// lines, which run the earlier buttons' steps in a row), and the earlier write's refusal of
// data its 16-bit addresses cannot reach.

#include <cstdint>
#include <string>

#include "wording/translatable.h"

namespace velmar::words {

inline constexpr const char* kConnected = VELMAR_TR_NOOP("velmar", "接続しました");
inline constexpr const char* kConnectFailed = VELMAR_TR_NOOP("velmar", "接続に失敗しました");
inline constexpr const char* kErased = VELMAR_TR_NOOP("velmar", "消去しました");
inline constexpr const char* kEraseFailed = VELMAR_TR_NOOP("velmar", "消去に失敗しました");
inline constexpr const char* kWritten = VELMAR_TR_NOOP("velmar", "書込成功");
inline constexpr const char* kWriteFailed = VELMAR_TR_NOOP("velmar", "書込失敗");
inline constexpr const char* kDisconnected = VELMAR_TR_NOOP("velmar", "切断しました");
inline constexpr const char* kDisconnectFailed = VELMAR_TR_NOOP("velmar", "切断に失敗しました");

// The CHECK SUM panel's answer to a range outside the image.
inline constexpr const char* kChecksumOutOfRangeMessage = "Address out of range (4000-23FFF)";

// "the file has data up to address 1A2B0; the earlier loader addresses only up to 0FFFF,
// nothing was sent"
std::string beyondEarlierAddresses(int32_t highestAddress);

}  // namespace velmar::words
