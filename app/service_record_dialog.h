#pragma once
// The service log as a table, newest rewrite first, with a filter by result and a way to the
// log's folder. Only the latest entries are read, from the end of the log, so a bench's
// years of rewrites open at once.

#include <QDialog>
#include <cstddef>
#include <string>
#include <vector>

#include "records/service_record.h"

class QComboBox;
class QLabel;
class QTableWidget;

namespace velmar {

class ServiceRecordDialog : public QDialog {
    Q_OBJECT

  public:
    static constexpr std::size_t kLatest = 1000;

    explicit ServiceRecordDialog(const std::string& logPath, QWidget* parent = nullptr);

  private:
    void fill();
    void applyFilter();

    std::string logPath_;
    std::vector<ServiceRecord> records_;  // newest first
    QTableWidget* table_ = nullptr;
    QComboBox* filter_ = nullptr;
    QLabel* summary_ = nullptr;
};

}  // namespace velmar
