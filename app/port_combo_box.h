#pragma once
// The port list: a plain drop-down whose entries tell a technician, in their tooltip, which
// device each one opens and whether it is there right now.

#include <QComboBox>
#include <string>

namespace velmar {

// "/dev/ttyUSB0", or "/dev/ttyS4 (not present)" for a device path that does not exist.
// An empty device name (nothing chosen) reads as "no device".
std::string portTooltip(const std::string& device);

class PortComboBox : public QComboBox {
    Q_OBJECT

  public:
    explicit PortComboBox(QWidget* parent = nullptr);
    // Entry p stands for port p + 1.
    void refreshTooltips();
    void showPopup() override;

  private:
    // The combo box itself shows the chosen entry's tooltip.
    void showChosenTooltip();
};

}  // namespace velmar
