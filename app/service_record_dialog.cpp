#include "app/service_record_dialog.h"

#include <QComboBox>
#include <QDateTime>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>

#include "app/status_texts.h"
#include "app/translation.h"
#include "records/service_log.h"
#include "wording/record_words.h"

namespace velmar {

namespace {

constexpr int kResultColumn = 1;

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

// The log keeps UTC; the bench reads its own clock.
QString localTime(const std::string& utc) {
    const QDateTime time = QDateTime::fromString(q(utc), Qt::ISODate);
    return time.isValid() ? time.toLocalTime().toString("yyyy-MM-dd HH:mm:ss") : q(utc);
}

// The final message; for a rewrite that never reached one, the window's word for that and the
// stage it was in when known.
QString resultText(const ServiceRecord& record) {
    if (!record.interrupted()) return q(record.result);
    const QString word = shownText(words::kInterruptedShown);
    return record.stage.empty() ? word : word + " (" + q(record.stage) + ")";
}

QStringList cells(const ServiceRecord& record) {
    QString device = q(record.device);
    if (!record.description.empty()) device += " (" + q(record.description) + ")";
    // A record that only began knows nothing of what came after.
    const bool begunOnly = record.state == RecordState::Begun;
    return {localTime(record.time),
            resultText(record),
            QFileInfo(q(record.file)).fileName(),
            q(record.checksum),
            record.port ? QString("COM %1").arg(*record.port) : QString("-"),
            device,
            QString("%1/%2")
                .arg(begunOnly ? QString("?") : QString::number(record.blocksWritten))
                .arg(record.blocksTotal),
            begunOnly ? QString("?") : QString::number(record.seconds, 'f', 1)};
}

}  // namespace

ServiceRecordDialog::ServiceRecordDialog(const std::string& logPath, QWidget* parent)
    : QDialog(parent), logPath_(logPath) {
    setObjectName("serviceRecords");
    setWindowTitle(statusText(status_texts::kRecordsTitle));
    resize(900, 420);

    filter_ = new QComboBox(this);
    filter_->setObjectName("resultFilter");
    auto* openFolder = new QPushButton(statusText(status_texts::kOpenFolder), this);
    openFolder->setObjectName("openLogFolder");
    summary_ = new QLabel(this);
    summary_->setObjectName("recordsSummary");
    table_ = new QTableWidget(this);
    table_->setObjectName("records");
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->verticalHeader()->setVisible(false);

    auto* top = new QHBoxLayout;
    top->addWidget(filter_);
    top->addStretch(1);
    top->addWidget(openFolder);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(table_, 1);
    layout->addWidget(summary_);

    connect(filter_, &QComboBox::currentIndexChanged, this, [this] { applyFilter(); });
    connect(openFolder, &QPushButton::clicked, this, [this] {
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(q(logPath_)).absolutePath()));
    });
    fill();
}

void ServiceRecordDialog::fill() {
    const ServiceLogTail tail = readServiceLog(logPath_, kLatest);
    records_.assign(std::make_reverse_iterator(tail.records.end()),
                    std::make_reverse_iterator(tail.records.begin()));

    QString summary;
    if (!tail.problem.empty())
        summary = statusText(status_texts::kCannotRead).arg(q(tail.problem));
    else if (records_.empty())
        summary = statusText(status_texts::kNoRecords).arg(q(logPath_));
    else
        summary = statusText(status_texts::kRecordsShown)
                      .arg(QString::number(records_.size()), q(logPath_));
    if (tail.unreadable > 0) summary += statusText(status_texts::kSkipped).arg(tail.unreadable);
    const QString meaning =
        shownText(words::kInterruptedShown) + ": " + shownText(words::kInterruptedMeaningShown);
    if (std::any_of(records_.begin(), records_.end(),
                    [](const ServiceRecord& record) { return record.interrupted(); }))
        summary += "\n" + meaning;
    summary_->setText(summary);

    QStringList headers;
    for (const char* column : status_texts::kColumns) headers << statusText(column);
    table_->setColumnCount(static_cast<int>(headers.size()));
    table_->setHorizontalHeaderLabels(headers);
    table_->setRowCount(static_cast<int>(records_.size()));
    QStringList results;
    for (std::size_t row = 0; row < records_.size(); ++row) {
        const QStringList texts = cells(records_[row]);
        for (int column = 0; column < texts.size(); ++column)
            table_->setItem(static_cast<int>(row), column, new QTableWidgetItem(texts[column]));
        if (records_[row].interrupted())
            table_->item(static_cast<int>(row), kResultColumn)->setToolTip(meaning);
        const QString result = resultText(records_[row]);
        if (!results.contains(result)) results << result;
    }
    table_->resizeColumnsToContents();

    const QSignalBlocker quiet(filter_);
    filter_->addItem(statusText(status_texts::kAllResults));
    filter_->addItems(results);
}

void ServiceRecordDialog::applyFilter() {
    const bool all = filter_->currentIndex() <= 0;
    const QString chosen = filter_->currentText();
    for (std::size_t row = 0; row < records_.size(); ++row)
        table_->setRowHidden(static_cast<int>(row), !all && resultText(records_[row]) != chosen);
}

}  // namespace velmar
