#include "wording/load_words.h"

#include "files/line_readers.h"
#include "files/utf8_path.h"
#include "wording/hex_text.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace velmar {

namespace {

std::string fullPath(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(utf8Path(path), error);
    return error ? path : pathText(absolute);
}

std::string systemWords(int osError) {
    return std::generic_category().message(osError);
}

const char* nodeWords(NodeKind kind) {
    switch (kind) {
        case NodeKind::Fifo:
            return "a FIFO";
        case NodeKind::CharacterDevice:
        case NodeKind::BlockDevice:
            return "a device";
        case NodeKind::Socket:
            return "a socket";
        default:
            return "not a file";
    }
}

constexpr const char* kUntrustedLinkWords =
    "is reached through a symbolic link that another user made in a shared folder (sticky and "
    "writable by everyone, such as /tmp); such a link is not followed";

struct CodeWords {
    int16_t code;
    const char* words;
};

constexpr CodeWords kReaderCodes[] = {
    {parse_error::kShortLine, "line of 12 characters or fewer that is not the end record"},
    {parse_error::kCountTooLarge, "byte count above 16"},
    {parse_error::kLengthMismatch, "line length does not match the byte count"},
    {parse_error::kTypeFirstDigit, "record type does not begin with 0"},
    {parse_error::kBelowImage, "data address below 04000"},
    {parse_error::kBadChecksum, "record checksum wrong (or a character that is not a hex digit)"},
    {parse_error::kBadStart, "line does not begin with \":\" (Intel HEX) or \"S\" (S-record)"},
    {parse_error::kUnsupportedType,
     "record type other than 00, 01, 02 and 03, or a segment other than 0000"},
};

}  // namespace

std::string describeReaderCode(int16_t code) {
    for (const CodeWords& row : kReaderCodes)
        if (row.code == code) return row.words;
    return "reader code " + std::to_string(code) + " has no known meaning";
}

std::string readerCodeList() {
    std::string list;
    for (const CodeWords& row : kReaderCodes) {
        char number[16];
        std::snprintf(number, sizeof number, "  %-3d", row.code);
        list += number + std::string(row.words) + "\n";
    }
    return list;
}

std::string keptFileWords(KeptRole role) {
    switch (role) {
        case KeptRole::Firmware:
            break;
        case KeptRole::ServiceLog:
            return "is the service log";
        case KeptRole::Settings:
            return "is the settings file";
        case KeptRole::Trace:
            return "is the trace's file too";
        case KeptRole::Report:
            return "is the report's file too";
    }
    return "is the firmware file itself";
}

LoadMessage loadMessage(const LoadOutcome& outcome) {
    switch (outcome.kind) {
        case LoadOutcome::Kind::Refused:
            return {"Error Code = " + std::to_string(outcome.code) +
                        " ; 行番号 = " + std::to_string(outcome.lineNumber),
                    "Error", LoadMessage::Icon::Warning};
        case LoadOutcome::Kind::FileOpenError:
            return {"File Open Error", "ERROR", LoadMessage::Icon::Stop};
        default:
            return {};
    }
}

std::string describeLoadFailure(const LoadOutcome& outcome, const std::string& path) {
    if (outcome.kind != LoadOutcome::Kind::FileOpenError) return "";
    std::string cause;
    switch (outcome.fault) {
        case FileFault::NoSuchFile:
            cause = "no such file";
            break;
        case FileFault::PermissionDenied:
            cause = "permission denied";
            break;
        case FileFault::IsFolder:
            cause = "is a folder, not a file";
            break;
        case FileFault::NotRegularFile:
            cause = std::string("not a regular file (") + nodeWords(outcome.nodeKind) + ")";
            break;
        case FileFault::SymlinkLoop:
            cause = "symbolic link loop (too many levels of symbolic links)";
            break;
        case FileFault::UntrustedLink:
            cause = kUntrustedLinkWords;
            break;
        case FileFault::ReadError:
            cause = "read error after line " + std::to_string(outcome.lineNumber);
            if (outcome.osError != 0) cause += " (" + systemWords(outcome.osError) + ")";
            break;
        case FileFault::OutsideImage:
            cause = "line " + std::to_string(outcome.lineNumber) + " has data at address " +
                    addressText(outcome.address) + ", outside the image 04000..23FFF";
            break;
        case FileFault::OpenFailed:
        case FileFault::None:
            cause = "cannot be opened";
            if (outcome.osError != 0) cause += " (" + systemWords(outcome.osError) + ")";
            break;
    }
    return fullPath(path) + ": " + cause;
}

std::string describeWriteRefusal(const OpenedForWriting& opened) {
    if (opened.kept) return keptFileWords(*opened.kept);
    switch (opened.fault) {
        case FileFault::None:
            return "";
        case FileFault::IsFolder:
            return "is a folder, not a file";
        case FileFault::UntrustedLink:
            return kUntrustedLinkWords;
        case FileFault::NotRegularFile:
            if (opened.kind == NodeKind::Fifo && opened.osError != 0)
                return "is a FIFO that no program reads";
            return std::string("is not a regular file (") + nodeWords(opened.kind) + ")";
        default:
            return opened.osError != 0 ? systemWords(opened.osError) : "cannot be opened";
    }
}

}  // namespace velmar
