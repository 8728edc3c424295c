// The window's controls at their designed places. Positions are in twips (15 per pixel at
// the designed 96 dpi); Qt scales the resulting pixels on high-DPI screens.

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include "app/frm_main.h"
#include "app/port_combo_box.h"
#include "app/twips.h"
#include "app/window_texts.h"

namespace velmar {

namespace {

template <typename Widget>
Widget* place(QWidget* parent, const char* name, const QString& text, QRect twipRect) {
    auto* widget = new Widget(text, parent);
    widget->setObjectName(name);
    widget->setGeometry(twipsToPixels(twipRect));
    return widget;
}

QGroupBox* placeFrame(QWidget* parent, const char* name, const QString& title, QRect twipRect) {
    auto* frame = place<QGroupBox>(parent, name, title, twipRect);
    // Opaque, so the hex view designed beneath the port pin panel does not show through.
    frame->setAutoFillBackground(true);
    return frame;
}

QFont withPointSize(QFont font, double points, bool bold) {
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

}  // namespace

void frmMain::buildLayout() {
    auto* client = new QWidget(this);
    client->setObjectName("clientArea");
    setCentralWidget(client);

    // Operator area.
    cmdMacro_[0] =
        place<QPushButton>(client, "cmdMacro_0", texts::kMainButtonCaption, {360, 480, 3255, 975});
    cmdMacro_[0]->setFont(withPointSize(cmdMacro_[0]->font(), 15.75, true));

    ProgressBar1_ = new QProgressBar(client);
    ProgressBar1_->setObjectName("ProgressBar1");
    ProgressBar1_->setGeometry(twipsToPixels({360, 1680, 3255, 255}));
    ProgressBar1_->setRange(0, static_cast<int>(kProgressMaximum));
    ProgressBar1_->setValue(0);
    ProgressBar1_->setTextVisible(false);
    ProgressBar1_->setVisible(false);

    Frame3_ = placeFrame(client, "Frame3", tr("The original version"), {3960, 480, 2895, 975});
    // The designed captions end in CR LF, which a one-line option would draw as a second,
    // empty line pushing the text out of its box; they are shown without it.
    optVersion_[0] = place<QRadioButton>(Frame3_, "optVersion_0", tr("Previous version 1.05"),
                                         {240, 240, 2415, 255});
    optVersion_[1] = place<QRadioButton>(Frame3_, "optVersion_1", tr("Version 1.06 or later"),
                                         {240, 600, 2415, 255});
    optVersion_[1]->setChecked(true);

    Label1_ = place<QLabel>(client, "Label1", tr("COM Port"), {4920, 1620, 975, 255});
    cmbCOM_ = new PortComboBox(client);
    cmbCOM_->setObjectName("cmbCOM");
    cmbCOM_->setGeometry(twipsToPixels({5880, 1560, 975, 300}));
    // 65 pixels hold "COM 16" only with a slim arrow and little padding.
    cmbCOM_->setStyleSheet(
        "QComboBox { padding: 0px 0px 0px 3px; }"
        " QComboBox::drop-down { width: 14px; }");

    // Service area: the current-loader panel.
    Command1_ = place<QPushButton>(client, "Command1", tr("接続"), {3720, 3480, 975, 375});
    cmbErase_ = place<QPushButton>(client, "cmbErase", tr("消去"), {3720, 3960, 975, 375});
    cmbWrite_ = place<QPushButton>(client, "cmbWrite", tr("書き込み"), {3720, 4440, 975, 375});
    cmbEnd_ = place<QPushButton>(client, "cmbEnd", tr("切断"), {3720, 4920, 975, 375});

    // Checksum.
    cmdCheckSum_ = place<QPushButton>(client, "cmdCheckSum", "CHECK SUM", {6360, 3480, 1215, 495});
    txtCsStt_ = place<QLineEdit>(client, "txtCsStt", "C000", {7680, 3480, 1215, 495});
    txtCsStp_ = place<QLineEdit>(client, "txtCsStp", "FFFF", {9000, 3480, 1215, 495});

    Text2_ = place<QLineEdit>(client, "Text2", "Text2", {7560, 4080, 2775, 270});
    Text1_ = place<QLineEdit>(client, "Text1", "", {7080, 4920, 735, 270});

    // Hex view.
    Label4_ = place<QLabel>(client, "Label4", tr("アドレス"), {6360, 5040, 975, 255});
    txtMemory_ = new QPlainTextEdit(client);
    txtMemory_->setObjectName("txtMemory");
    txtMemory_->setGeometry(twipsToPixels({4440, 5520, 6975, 5175}));
    txtMemory_->setReadOnly(true);
    txtMemory_->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont courier("Courier");
    courier.setStyleHint(QFont::TypeWriter);
    courier.setFixedPitch(true);
    courier.setPointSizeF(9.75);
    txtMemory_->setFont(courier);
    // The view was designed under several service controls; they stay on top and usable.
    txtMemory_->lower();

    cmdMacro_[2] = place<QPushButton>(client, "cmdMacro_2", tr("マ"), {3720, 6480, 615, 615});

    // The second current-loader panel.
    Command11_ = place<QPushButton>(client, "Command11", tr("接続", "narrow button"),
                                    {3720, 7320, 615, 375});
    Command8_ = place<QPushButton>(client, "Command8", tr("消去"), {3720, 7680, 615, 375});
    Command9_ = place<QPushButton>(client, "Command9", tr("書込"), {3720, 8040, 615, 375});
    Command10_ = place<QPushButton>(client, "Command10", tr("切断", "narrow button"),
                                    {3720, 8400, 615, 375});

    cmdBrevo_ = place<QPushButton>(client, "cmdBrevo", "Brevo", {3600, 9000, 1335, 735});
    cmdBrevo_->setFont(withPointSize(cmdBrevo_->font(), 24, false));

    // The earlier-generation panel.
    Command4_ = place<QPushButton>(client, "Command4", tr("接続"), {3600, 9720, 975, 375});
    Command7_ = place<QPushButton>(client, "Command7", tr("消去"), {3600, 10080, 975, 375});
    Command6_ = place<QPushButton>(client, "Command6", tr("書き込み"), {3600, 10440, 975, 375});
    Command5_ = place<QPushButton>(client, "Command5", tr("切断"), {3600, 10800, 975, 375});

    cmdMacro_[1] = place<QPushButton>(client, "cmdMacro_1", tr("マ"), {11400, 9720, 615, 1455});

    // Line speed of the port pin command: 4800 on top, 9600 in the middle, 38400 below.
    Frame1_ = placeFrame(client, "Frame1", tr("通信速度"), {10440, 3360, 1455, 1335});
    optBPS_[2] = place<QRadioButton>(Frame1_, "optBPS_2", "4800", {120, 240, 1215, 255});
    optBPS_[0] = place<QRadioButton>(Frame1_, "optBPS_0", "9600", {120, 600, 1215, 255});
    optBPS_[1] = place<QRadioButton>(Frame1_, "optBPS_1", "38400", {120, 960, 1215, 255});
    optBPS_[0]->setChecked(true);

    txtCFG0_ = place<QLineEdit>(client, "txtCFG0", "Text3", {10800, 5400, 1095, 495});
    txtCFG1_ = place<QLineEdit>(client, "txtCFG1", "Text3", {10800, 6000, 1095, 495});

    // Port pin panel.
    Frame2_ = placeFrame(client, "Frame2", tr("ポートの制御"), {6360, 10320, 2535, 1335});
    port_[0] = place<QRadioButton>(Frame2_, "port_0", tr("L出力"), {120, 240, 1095, 255});
    port_[1] = place<QRadioButton>(Frame2_, "port_1", tr("H出力"), {120, 480, 1095, 255});
    port_[2] = place<QRadioButton>(Frame2_, "port_2", tr("入力"), {120, 720, 1095, 255});
    port_[3] = place<QRadioButton>(Frame2_, "port_3", tr("読む"), {120, 960, 1095, 255});
    port_[3]->setChecked(true);
    txtPinNumber_ = place<QLineEdit>(Frame2_, "txtPinNumber", "", {1320, 240, 1095, 375});
    Command2_ = place<QPushButton>(Frame2_, "Command2", "GO", {1320, 720, 1095, 495});
}

void frmMain::buildMenus() {
    QMenuBar* bar = menuBar();

    QMenu* mnuFile = bar->addMenu(tr("ファイル"));
    mnuFile->setObjectName("mnuFile");
    mnuOpen_ = mnuFile->addAction(tr("開く"));
    mnuOpen_->setObjectName("mnuOpen");
    mnuEnd_ = mnuFile->addAction(tr("終了"));
    mnuEnd_->setObjectName("mnuEnd");

    QMenu* mnuEdit = bar->addMenu(tr("編集"));
    mnuEdit->setObjectName("mnuEdit");
    mnuWrite_ = mnuEdit->addAction(tr("書き込み"));
    mnuWrite_->setObjectName("mnuWrite");

    QMenu* mnuSetting = bar->addMenu(tr("設定"));
    mnuSetting->setObjectName("mnuSetting");
    QMenu* mnuPort = mnuSetting->addMenu(tr("COMポート"));
    mnuPort->setObjectName("mnuPort");
    mnuPort_ = mnuPort->menuAction();
    for (int i = 1; i <= 10; ++i) {
        QAction* entry = mnuPort->addAction(QString("COM%1").arg(i));
        entry->setObjectName(QString("mnuCom_%1").arg(i));
        entry->setCheckable(true);
        mnuCom_[static_cast<std::size_t>(i)] = entry;
    }
    // Design state; start-up moves the mark to COM1.
    mnuCom_[3]->setChecked(true);

    QAction* assignment = mnuSetting->addAction(tr("ポートの割り当て..."));
    assignment->setObjectName("mnuPortAssignment");
    mnuPortAssignment_ = assignment;
    connect(assignment, &QAction::triggered, this,
            [this] { static_cast<PortComboBox*>(cmbCOM_)->editAssignments(); });
}

void frmMain::setPortDirectory(PortDirectory& directory) {
    ports_ = &directory;
    static_cast<PortComboBox*>(cmbCOM_)->setPortDirectory(&directory);
}

void frmMain::buildTabOrder() {
    // Focus order as designed; labels, frames and the bar take no focus and drop out of it.
    const QWidget* const order[] = {
        cmbErase_, cmbWrite_,     cmbEnd_,      txtMemory_,     Text1_,         Command1_,
        Text2_,    cmdCheckSum_,  txtCsStt_,    txtCsStp_,      Command4_,      Command5_,
        Command6_, Command7_,     cmdMacro_[0], cmdMacro_[1],   cmdMacro_[2],   Command8_,
        Command9_, Command10_,    Command11_,   Label4_,        txtCFG0_,       txtCFG1_,
        Frame1_,   optBPS_[0],    optBPS_[1],   Frame2_,        port_[0],       port_[1],
        port_[2],  txtPinNumber_, Command2_,    port_[3],       cmdBrevo_,      optBPS_[2],
        Label1_,   cmbCOM_,       Frame3_,      optVersion_[0], optVersion_[1], ProgressBar1_,
    };
    QWidget* previous = nullptr;
    for (const QWidget* entry : order) {
        auto* widget = const_cast<QWidget*>(entry);
        if (widget->focusPolicy() == Qt::NoFocus) continue;
        if (previous != nullptr) setTabOrder(previous, widget);
        previous = widget;
    }
}

}  // namespace velmar
