#include "app/port_combo_box.h"

#include <QAbstractItemView>
#include <QStyle>
#include <QStyledItemDelegate>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "app/port_assignment_dialog.h"
#include "app/status_panel.h"
#include "app/status_texts.h"
#include "app/translation.h"
#include "files/utf8_path.h"
#include "wording/device_words.h"

namespace velmar {

QString portTooltip(const ResolvedPort& port) {
    if (port.source == PortSource::Unreadable) return statusText(status_texts::kPortUnreadable);
    if (port.device.empty()) return statusText(status_texts::kPortNoDevice);
    std::string text = port.device;
    if (port.info && port.info->path != port.device) text += " = " + port.info->path;
    if (port.info) {
        if (const std::string summary = describeDevice(*port.info); !summary.empty())
            text += ": " + summary;
    }
    QString shown = QString::fromStdString(text);
    if (!port.present) shown += statusText(status_texts::kPortNotConnected);
    return shown;
}

namespace {

constexpr int kMarkRole = Qt::UserRole + 1;

// The open list shows, after each entry, the device it would open right now; the entries
// themselves stay as they are.
class MarkedEntries : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->text += index.data(kMarkRole).toString();
    }
};

// "/dev/ttyUSB0 (FT232R USB UART)" for a port with a device there now; nothing otherwise.
QString portMark(const ResolvedPort& port) {
    if (port.device.empty() || !port.present || port.source == PortSource::Unreadable) return {};
    return QString(status_texts::kPortMark)
        .arg(deviceText(port.device, port.info ? port.info->description : std::string()));
}

}  // namespace

PortComboBox::PortComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    setItemDelegate(new MarkedEntries(this));
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
    for (int i = 0; i < count() && i < static_cast<int>(ports.size()); ++i) {
        const ResolvedPort& port = ports[static_cast<std::size_t>(i)];
        setItemData(i, portTooltip(port), Qt::ToolTipRole);
        setItemData(i, portMark(port), kMarkRole);
    }
    showChosenTooltip();
}

QString PortComboBox::mark(int index) const {
    return itemData(index, kMarkRole).toString();
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
