#include "platform/qt/qt_lock_holder.h"

#include <QCoreApplication>

namespace velmar {

std::string qtLockHolderName() {
    if (const auto* application = QCoreApplication::instance())
        return application->applicationName().toStdString();
    return "velmar-writer";
}

}  // namespace velmar
