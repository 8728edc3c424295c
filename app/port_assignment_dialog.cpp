#include "app/port_assignment_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/status_texts.h"
#include "app/translation.h"
#include "wording/device_words.h"

namespace velmar {

namespace {

constexpr const char* kAutomatic = QT_TRANSLATE_NOOP("velmar::PortAssignmentDialog", "自動");

QString deviceItemText(const SerialDeviceInfo& device) {
    std::string text = device.path;
    if (const std::string summary = describeDevice(device); !summary.empty())
        text += "  —  " + summary;
    return QString::fromStdString(text);
}

QString entryText(int16_t port) {
    return QString("COM %1").arg(port, 2);
}

}  // namespace

PortAssignmentDialog::PortAssignmentDialog(PortDirectory& directory, QWidget* parent)
    : QDialog(parent), directory_(directory) {
    setObjectName("PortAssignmentDialog");
    setWindowTitle(tr("ポートの割り当て"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        tr("COM の各エントリが開く装置を選んでください。保存した USB アダプターは、差し直した後も"
           "メーカーとシリアル番号で見つけ直します。\n一覧にない装置はパスを入力してください。"
           "「自動」は次につながっている装置を使います。")));

    auto* grid = new QGridLayout;
    const PortAssignments saved = directory_.saved();
    directory_.refresh();
    devices_ = directory_.devices();
    for (int16_t port = 1; port <= kPortCount; ++port) {
        const auto i = static_cast<std::size_t>(port - 1);
        auto* label = new QLabel(entryText(port));
        rows_[i] = new QComboBox;
        rows_[i]->setObjectName(QString("port_%1").arg(port));
        rows_[i]->setEditable(true);
        rows_[i]->setInsertPolicy(QComboBox::NoInsert);
        rows_[i]->setMinimumContentsLength(64);
        rows_[i]->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        label->setBuddy(rows_[i]);
        notes_[i] = new QLabel;
        notes_[i]->setEnabled(false);
        grid->addWidget(label, port - 1, 0);
        grid->addWidget(rows_[i], port - 1, 1);
        grid->addWidget(notes_[i], port - 1, 2);
        const auto choice = saved.find(port);
        fillRow(port, choice == saved.end() ? std::string() : choice->second);
    }
    layout->addLayout(grid);
    showCurrentDevices();

    problem_ = new QLabel;
    problem_->setObjectName("problem");
    problem_->hide();
    layout->addWidget(problem_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    // Qt's own caption is English whatever the window's language.
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("キャンセル"));
    QPushButton* rescanButton = buttons->addButton(tr("再検索"), QDialogButtonBox::ActionRole);
    rescanButton->setObjectName("rescan");
    connect(rescanButton, &QPushButton::clicked, this, [this] { rescan(); });
    connect(buttons, &QDialogButtonBox::accepted, this, &PortAssignmentDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void PortAssignmentDialog::showCurrentDevices() {
    const std::vector<ResolvedPort> ports = directory_.resolve();
    for (const ResolvedPort& port : ports) {
        QString note;
        // The environment outranks whatever is chosen here; say so rather than hide it.
        if (port.source == PortSource::Environment)
            note = tr("VELMAR_COM%1=%2 が優先されます")
                       .arg(port.port)
                       .arg(QString::fromStdString(port.device));
        else if (port.source == PortSource::Automatic)
            note = port.device.empty() ? tr("現在: 装置なし")
                                       : tr("現在: %1").arg(QString::fromStdString(port.device));
        notes_[static_cast<std::size_t>(port.port - 1)]->setText(note);
    }
}

void PortAssignmentDialog::fillRow(int16_t port, const std::string& choice) {
    QComboBox* box = row(port);
    box->clear();
    box->addItem(tr(kAutomatic), QString());
    int chosen = 0;
    for (const SerialDeviceInfo& device : devices_) {
        box->addItem(deviceItemText(device), QString::fromStdString(savedName(device)));
        if (!choice.empty() && (choice == device.path || choice == device.stablePath))
            chosen = box->count() - 1;
    }
    if (!choice.empty() && chosen == 0) {
        box->addItem(QString::fromStdString(choice) + statusText(status_texts::kPortNotConnected),
                     QString::fromStdString(choice));
        chosen = box->count() - 1;
    }
    box->setCurrentIndex(chosen);
}

std::string PortAssignmentDialog::rowChoice(int16_t port) const {
    const QComboBox* box = row(port);
    const QString text = box->currentText();
    const int item = box->findText(text);
    if (item >= 0) return box->itemData(item).toString().toStdString();
    return text.trimmed().toStdString();  // a typed path
}

PortAssignments PortAssignmentDialog::chosenAssignments() const {
    PortAssignments assignments;
    for (int16_t port = 1; port <= kPortCount; ++port)
        if (std::string choice = rowChoice(port); !choice.empty())
            assignments[port] = std::move(choice);
    return assignments;
}

void PortAssignmentDialog::rescan() {
    const PortAssignments current = chosenAssignments();
    directory_.refresh();
    devices_ = directory_.devices();
    for (int16_t port = 1; port <= kPortCount; ++port) {
        const auto choice = current.find(port);
        fillRow(port, choice == current.end() ? std::string() : choice->second);
    }
    showCurrentDevices();
}

void PortAssignmentDialog::accept() {
    if (!directory_.save(chosenAssignments())) {
        problem_->setText(tr("割り当てを保存できませんでした。設定ファイルに書き込めません。"));
        problem_->show();
        return;
    }
    QDialog::accept();
}

}  // namespace velmar
