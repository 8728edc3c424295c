#include "cli/output_file.h"

#include "cli/same_file.h"
#include "files/regular_file.h"
#include "wording/load_words.h"

namespace velmar::cli {

std::string outputRefusal(const std::string& path, const std::string& firmware) {
    if (namesSameFile(path, firmware)) return "is the firmware file itself";
    const std::optional<NodeKind> kind = nodeKindAt(path);
    if (!kind || *kind == NodeKind::Regular) return "";
    OpenedForWriting refused;
    refused.fault = *kind == NodeKind::Folder ? FileFault::IsFolder : FileFault::NotRegularFile;
    refused.kind = *kind;
    return describeWriteRefusal(refused);
}

}  // namespace velmar::cli
