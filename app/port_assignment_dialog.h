#pragma once
// 設定 / ポートの割り当て...: one row per port entry, each choosing automatic, a detected
// device, a saved device that is not connected, or a typed path. OK saves, Cancel keeps all.

#include <QDialog>
#include <array>
#include <vector>

#include "platform/port_names.h"

class QComboBox;
class QLabel;

namespace velmar {

class PortAssignmentDialog : public QDialog {
    Q_OBJECT

  public:
    explicit PortAssignmentDialog(PortDirectory& directory, QWidget* parent = nullptr);

    // The choices as they stand in the rows (automatic rows left out).
    PortAssignments chosenAssignments() const;
    QComboBox* row(int16_t port) const { return rows_[static_cast<std::size_t>(port - 1)]; }
    // Lists the devices afresh; every row keeps its choice.
    void rescan();

    void accept() override;

  private:
    // Beside each row: what the environment forces, or what automatic opens now (saved).
    void showCurrentDevices();
    void fillRow(int16_t port, const std::string& choice);
    std::string rowChoice(int16_t port) const;

    PortDirectory& directory_;
    std::vector<SerialDeviceInfo> devices_;
    std::array<QComboBox*, kPortCount> rows_{};
    std::array<QLabel*, kPortCount> notes_{};
    QLabel* problem_ = nullptr;
};

}  // namespace velmar
