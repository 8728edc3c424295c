#include "records/record_text.h"

namespace velmar {

namespace {

constexpr char16_t kEscapedByteBase = 0xDC00;

}  // namespace

// None: a stray continuation byte, an overlong form, an encoded surrogate, a sequence cut short
// or one beyond U+10FFFF.
std::size_t utf8SequenceLength(std::string_view bytes, std::size_t at) {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    char32_t code = 0;
    char32_t lowest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
        lowest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
        lowest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
        lowest = 0x10000;
    }
    if (length == 0 || at + length > bytes.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(bytes[at + k]);
        if ((next & 0xC0) != 0x80) return 0;
        code = (code << 6) | (next & 0x3F);
    }
    if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

QString recordText(std::string_view bytes) {
    QString text;
    std::size_t plain = 0;  // where the UTF-8 not yet taken over begins
    const auto takePlain = [&](std::size_t end) {
        text += QString::fromUtf8(bytes.data() + plain, static_cast<qsizetype>(end - plain));
    };
    for (std::size_t at = 0; at < bytes.size();) {
        if (const std::size_t length = utf8SequenceLength(bytes, at); length > 0) {
            at += length;
            continue;
        }
        takePlain(at);
        text +=
            QChar(static_cast<char16_t>(kEscapedByteBase + static_cast<unsigned char>(bytes[at])));
        plain = ++at;
    }
    takePlain(bytes.size());
    return text;
}

std::string recordBytes(const QString& text) {
    std::string bytes;
    qsizetype plain = 0;
    const auto takePlain = [&](qsizetype end) {
        bytes += QStringView(text).mid(plain, end - plain).toUtf8().toStdString();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
        } else if (unit >= kEscapedByteBase + 0x80 && unit <= kEscapedByteBase + 0xFF) {
            takePlain(i);
            bytes += static_cast<char>(unit - kEscapedByteBase);
            plain = i + 1;
        }
    }
    takePlain(text.size());
    return bytes;
}

}  // namespace velmar
