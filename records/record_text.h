#pragma once
// A service record's texts hold names as the system gave them, which need not be UTF-8. In the
// log's JSON a byte that is not part of UTF-8 becomes the lone surrogate U+DC80..U+DCFF ("\udcff"),
// as Python's surrogateescape does, so the name comes back byte for byte and the line stays JSON
// that jq reads (showing such a byte as U+FFFD).

#include <QString>
#include <cstddef>
#include <string>
#include <string_view>

namespace velmar {

// `bytes` as the JSON's text: UTF-8 as it is, any other byte as its lone surrogate.
QString recordText(std::string_view bytes);
// The length of the well-formed UTF-8 sequence at `at`; 0 when the byte there begins none.
std::size_t utf8SequenceLength(std::string_view bytes, std::size_t at);
// The bytes back: U+DC80..U+DCFF standing alone are the bytes 0x80..0xFF, the rest is UTF-8.
std::string recordBytes(const QString& text);

}  // namespace velmar
