#include "app/port_combo_box.h"

#include <QAbstractItemView>
#include <QStyle>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "app/port_assignment_dialog.h"
#include "files/utf8_path.h"
#include "wording/device_words.h"

namespace velmar {

std::string portTooltip(const ResolvedPort& port) {
    if (port.source == PortSource::Unreadable)
        return "opens nothing: its saved assignment cannot be read (velmar-fw ports says why)";
    if (port.device.empty()) return "no device connected";
    std::string text = port.device;
    if (port.info && port.info->path != port.device) text += " = " + port.info->path;
    if (port.info) {
        if (const std::string summary = describeDevice(*port.info); !summary.empty())
            text += ": " + summary;
    }
    if (!port.present) text += " (not connected)";
    return text;
}

PortComboBox::PortComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    view()->setTextElideMode(Qt::ElideNone);
    connect(this, &QComboBox::currentIndexChanged, this, [this] { showChosenTooltip(); });
}

void PortComboBox::refreshTooltips() {
    std::vector<ResolvedPort> ports;
    if (directory_ != nullptr) {
        ports = directory_->resolve(static_cast<int16_t>(count()));
    } else {
        PortInputs inputs;
        inputs.environment = environmentPortDevice;
        inputs.exists = [](const std::string& path) {
            std::error_code error;
            return std::filesystem::exists(utf8Path(path), error);
        };
        ports = resolvePorts(inputs, static_cast<int16_t>(count()));
    }
    for (int i = 0; i < count() && i < static_cast<int>(ports.size()); ++i)
        setItemData(i, QString::fromStdString(portTooltip(ports[static_cast<std::size_t>(i)])),
                    Qt::ToolTipRole);
    showChosenTooltip();
}

void PortComboBox::showChosenTooltip() {
    const int index = currentIndex();
    setToolTip(index < 0 ? QString() : itemData(index, Qt::ToolTipRole).toString());
}

void PortComboBox::showPopup() {
    // Adapters come and go while the window is open.
    if (directory_ != nullptr) directory_->refresh();
    refreshTooltips();
    // The closed box keeps its designed width, which is too narrow for "COM 16" in most
    // fonts; the list is as wide as its longest entry needs.
    QAbstractItemView* list = view();
    const int scrollBar = count() > maxVisibleItems()
                              ? style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list)
                              : 0;
    list->setMinimumWidth(
        std::max(width(), list->sizeHintForColumn(0) + 2 * list->frameWidth() + scrollBar));
    QComboBox::showPopup();
}

void PortComboBox::editAssignments() {
    if (directory_ == nullptr) return;
    PortAssignmentDialog dialog(*directory_, window());
    if (dialog.exec() == QDialog::Accepted) refreshTooltips();
}

}  // namespace velmar
