#pragma once
// The port list: a plain drop-down whose open list marks each entry that has a device
// connected right now with that device, and whose tooltips tell which device each entry
// opens, what it is and whether it is connected.

#include <QComboBox>
#include <string>

#include "platform/port_names.h"

namespace velmar {

// "/dev/ttyUSB0: FT232R USB UART, FTDI, serial A1, 0403:6001", "/dev/ttyUSB3 (not connected)",
// or "no device connected" for an entry with nothing to open.
QString portTooltip(const ResolvedPort& port);

class PortComboBox : public QComboBox {
    Q_OBJECT

  public:
    explicit PortComboBox(QWidget* parent = nullptr);
    // Where entries find their devices; without one, only $VELMAR_COM<n> counts.
    void setPortDirectory(PortDirectory* directory) { directory_ = directory; }
    // Entry p stands for port p + 1. Its mark (the device after it in the open list) and its
    // tooltip.
    void refreshTooltips();
    // The mark shown after entry `index` in the open list; empty without a device there.
    QString mark(int index) const;
    void showPopup() override;
    // The assignment dialog over this list's directory; tooltips follow what it saved.
    void editAssignments();

  private:
    // The combo box itself shows the chosen entry's tooltip.
    void showChosenTooltip();

    PortDirectory* directory_ = nullptr;
};

}  // namespace velmar
