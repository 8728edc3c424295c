#pragma once
// Each step family answers with its own result type, so a result of one family cannot be
// compared with another family's constant (several families share the numbers 0 and 1). The
// numbers themselves are the loader's codes, so a result still compares with a plain number.

#include <concepts>
#include <cstdint>
#include <type_traits>

namespace velmar {

enum class LoaderResult : int16_t {};   // the current loader's steps
enum class EarlierResult : int16_t {};  // the earlier generation's steps
enum class PinResult : int16_t {};      // the port pin command

template <typename T>
concept StepResult =
    std::same_as<T, LoaderResult> || std::same_as<T, EarlierResult> || std::same_as<T, PinResult>;

template <StepResult R>
constexpr int16_t codeOf(R result) {
    return static_cast<int16_t>(result);
}

template <StepResult R>
constexpr bool operator==(R result, int code) {
    return codeOf(result) == code;
}

// Lets test frameworks and logs show the number; no stream header is needed here.
template <typename Stream, StepResult R>
Stream& operator<<(Stream& stream, R result) {
    return stream << static_cast<int>(codeOf(result));
}

}  // namespace velmar
