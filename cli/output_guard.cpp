#include "cli/output_guard.h"

#include <QFile>

#include "cli/output_file.h"
#include "cli/same_file.h"
#include "platform/qt/qt_serial_devices.h"
#include "records/service_log.h"

namespace velmar::cli {

std::vector<KeptFile> keptFrom(const WriteOptions& options, KeptRole output) {
    std::vector<KeptFile> keep = {
        {options.file, KeptRole::Firmware},
        {serviceLogPath(), KeptRole::ServiceLog},
        {QFile::encodeName(QtPortAssignmentStore().fileName()).toStdString(), KeptRole::Settings}};
    if (output != KeptRole::Trace && options.tracePath)
        keep.push_back({*options.tracePath, KeptRole::Trace});
    if (output != KeptRole::Report && options.reportPath)
        keep.push_back({*options.reportPath, KeptRole::Report});
    return keep;
}

std::string outputsRefusal(const WriteOptions& options) {
    if (options.tracePath && options.reportPath &&
        namesOneOutput(*options.tracePath, *options.reportPath))
        return "the report " + *options.reportPath + " and the trace " + *options.tracePath +
               " name one file";
    if (options.tracePath) {
        if (const std::string why =
                outputRefusal(*options.tracePath, keptFrom(options, KeptRole::Trace));
            !why.empty())
            return "the trace " + *options.tracePath + " " + why;
    }
    if (options.reportPath) {
        std::string why = outputRefusal(*options.reportPath, keptFrom(options, KeptRole::Report));
        if (why.empty()) {
            // Written only once the radios are done: a folder it cannot go in is said now.
            if (const std::string folder = replacementRefusal(*options.reportPath); !folder.empty())
                why = "cannot be written (" + folder + ")";
        }
        if (!why.empty()) return "the report " + *options.reportPath + " " + why;
    }
    return {};
}

}  // namespace velmar::cli
