#include "app/port_combo_box.h"

#include <QAbstractItemView>
#include <QStyle>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/port_names.h"

namespace velmar {

std::string portTooltip(const std::string& device) {
    if (device.empty()) return "no device";
    // Only a path can be checked; a Windows name such as "COM3" is shown as it is.
    if (device.front() != '/') return device;
    std::error_code error;
    if (std::filesystem::exists(device, error)) return device;
    return device + " (not present)";
}

PortComboBox::PortComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    view()->setTextElideMode(Qt::ElideNone);
    connect(this, &QComboBox::currentIndexChanged, this, [this] { showChosenTooltip(); });
}

void PortComboBox::refreshTooltips() {
    for (int i = 0; i < count(); ++i) {
        const auto device = portDeviceName(static_cast<int16_t>(i + 1));
        setItemData(i, QString::fromStdString(portTooltip(device)), Qt::ToolTipRole);
    }
    showChosenTooltip();
}

void PortComboBox::showChosenTooltip() {
    const int index = currentIndex();
    setToolTip(index < 0 ? QString() : itemData(index, Qt::ToolTipRole).toString());
}

void PortComboBox::showPopup() {
    // Adapters come and go while the window is open.
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

}  // namespace velmar
