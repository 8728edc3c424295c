#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

#include "cli/output_file.h"
#include "files/regular_file.h"
#include "files/utf8_path.h"
#include "files/win_text.h"
#include "wording/load_words.h"

namespace velmar::cli {

namespace {

OutputFailure systemFailure(DWORD error, std::string step) {
    return OutputFailure{systemMessage(error), std::move(step)};
}

std::optional<OutputFailure> writeAll(HANDLE file, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk =
            static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD wrote = 0;
        if (!::WriteFile(file, bytes.data() + done, chunk, &wrote, nullptr))
            return systemFailure(::GetLastError(), "writing");
        if (wrote == 0) return systemFailure(ERROR_DISK_FULL, "writing");
        done += wrote;
    }
    return std::nullopt;
}

// A device, or a symbolic link the user named, is written in place (in binary), never
// replaced by a plain file.
std::optional<OutputFailure> writeInPlace(const std::string& path, std::string_view bytes,
                                          const WriteTarget& target) {
    const OpenedForWriting opened = openFileForWriting(path, target);
    if (!opened.ok()) return OutputFailure{describeWriteRefusal(opened), "opening it"};
    std::optional<OutputFailure> failure;
    std::size_t done = 0;
    while (!failure && done < bytes.size()) {
        const unsigned chunk =
            static_cast<unsigned>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        const int wrote = ::_write(opened.fd, bytes.data() + done, chunk);
        if (wrote <= 0)
            failure = OutputFailure{std::generic_category().message(wrote < 0 ? errno : ENOSPC),
                                    "writing"};
        else
            done += static_cast<std::size_t>(wrote);
    }
    if (::_close(opened.fd) != 0 && !failure)
        failure = OutputFailure{std::generic_category().message(errno), "closing it"};
    return failure;
}

// A new name beside `path` that nobody holds: CREATE_NEW never opens what is already there.
HANDLE createUniqueBeside(const std::string& path, std::string& created) {
    static std::mt19937 random{std::random_device{}()};
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = path + ".";
        for (int i = 0; i < 6; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
        name += ".partial";
        const HANDLE file = ::CreateFileW(widePath(name).c_str(), GENERIC_WRITE, 0, nullptr,
                                          CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            created = std::move(name);
            return file;
        }
        if (::GetLastError() != ERROR_FILE_EXISTS) return INVALID_HANDLE_VALUE;
    }
    ::SetLastError(ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
}

std::string folderOf(const std::string& path) {
    const std::string folder = pathText(utf8Path(path).parent_path());
    return folder.empty() ? "." : folder;
}

// The new file takes the old one's place in one step. ReplaceFileW keeps what the old file
// carried (attributes, security, creation time); a file system without it gets a plain move.
DWORD moveInPlace(const std::string& partial, const std::string& path, bool exists) {
    const std::wstring from = widePath(partial);
    const std::wstring to = widePath(path);
    if (exists && ::ReplaceFileW(to.c_str(), from.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                                 nullptr, nullptr))
        return ERROR_SUCCESS;
    if (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return ERROR_SUCCESS;
    return ::GetLastError();
}

// What a virus scanner (or an indexer) causes when it opens a file the moment it is written
// or replaced: it holds it for a moment without letting it be renamed or deleted.
bool heldForAMoment(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
           error == ERROR_LOCK_VIOLATION || error == ERROR_UNABLE_TO_REMOVE_REPLACED ||
           error == ERROR_UNABLE_TO_MOVE_REPLACEMENT;
}

// Tried again for about two seconds while the files are held; neither file changes when a try
// fails (no backup name is given to ReplaceFileW).
DWORD putInPlace(const std::string& partial, const std::string& path, bool exists) {
    DWORD error = moveInPlace(partial, path, exists);
    DWORD waited = 0;
    for (DWORD pause = 10; heldForAMoment(error) && waited < 2000;
         pause = std::min<DWORD>(pause * 2, 250)) {
        ::Sleep(pause);
        waited += pause;
        error = moveInPlace(partial, path, exists);
    }
    return error;
}

}  // namespace

// The old file stays whole until the new one is, and no reader ever sees half a file.
std::optional<OutputFailure> writeOutputFile(const std::string& path, std::string_view bytes,
                                             const OutputRules& rules) {
    const WriteTarget target{.append = false, .keep = rules.keep, .devicesToo = rules.devicesToo};
    if (const OpenedForWriting refused = writeRefusal(path, target); !refused.ok())
        return OutputFailure{describeWriteRefusal(refused), "checking it"};
    std::error_code error;
    const bool link =
        std::filesystem::is_symlink(std::filesystem::symlink_status(widePath(path), error));
    const std::optional<NodeKind> kind = nodeKindAt(path);
    const bool exists = kind.has_value();
    if (link || (exists && *kind != NodeKind::Regular)) return writeInPlace(path, bytes, target);

    std::string partial;
    const HANDLE file = createUniqueBeside(path, partial);
    if (file == INVALID_HANDLE_VALUE)
        return systemFailure(::GetLastError(), "creating a file in " + folderOf(path));
    std::optional<OutputFailure> failure = writeAll(file, bytes);
    if (!::CloseHandle(file) && !failure) failure = systemFailure(::GetLastError(), "closing it");
    if (failure) {
        ::DeleteFileW(widePath(partial).c_str());  // only the file this call created
        return failure;
    }
    if (const DWORD moved = putInPlace(partial, path, exists); moved != ERROR_SUCCESS) {
        // The old file is as it was; the new one is whole beside it.
        std::fprintf(stderr, "%s: the new file is complete in %s\n", path.c_str(), partial.c_str());
        return systemFailure(moved, "renaming the new file");
    }
    return std::nullopt;
}

}  // namespace velmar::cli
