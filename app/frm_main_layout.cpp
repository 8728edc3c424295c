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
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>
#include <iterator>

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

// The service area's controls were designed below the client area; they keep their designed
// places inside a panel that starts where the client area ends.
QRect belowClientArea(QRect twipRect) {
    return twipRect.translated(0, -kClientHeightTwips);
}

// The hex view, whose text can be kept off the parts of it other controls cover.
class HexView : public QPlainTextEdit {
  public:
    using QPlainTextEdit::QPlainTextEdit;
    void keepClear(const QMargins& margins) { setViewportMargins(margins); }
};

void keepClearOfSiblings(HexView* hexView) {
    // The controls designed over the hex view stay where they are; the view's text is drawn
    // only where none of them lies, each kept clear at the edge that costs the fewest pixels.
    const QRect view = hexView->geometry();
    int margins[4] = {};  // left, top, right, bottom
    for (const QObject* child : hexView->parentWidget()->children()) {
        const auto* sibling = qobject_cast<const QWidget*>(child);
        if (sibling == nullptr || sibling == hexView) continue;
        const QRect over = sibling->geometry().intersected(view);
        if (over.isEmpty()) continue;
        const int cost[4] = {
            over.left() == view.left() ? over.right() - view.left() + 1 : INT_MAX,
            over.top() == view.top() ? over.bottom() - view.top() + 1 : INT_MAX,
            over.right() == view.right() ? view.right() - over.left() + 1 : INT_MAX,
            over.bottom() == view.bottom() ? view.bottom() - over.top() + 1 : INT_MAX,
        };
        const auto cheapest = std::min_element(std::begin(cost), std::end(cost)) - cost;
        if (cost[cheapest] != INT_MAX)
            margins[cheapest] = std::max(margins[cheapest], cost[cheapest]);
    }
    hexView->keepClear(QMargins(margins[0], margins[1], margins[2], margins[3]));
}

QFont withPointSize(QFont font, double points, bool bold) {
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

}  // namespace

void frmMain::buildLayout() {
    // The designed client area on top; below it the service area, which scrolls, so that every
    // control can be reached on a screen smaller than the whole design.
    auto* window = new QWidget(this);
    window->setObjectName("clientArea");
    setCentralWidget(window);
    auto* client = new QWidget(window);
    client->setObjectName("operatorArea");
    client->setFixedHeight(twipsToPixels(kClientHeightTwips));
    client->setMinimumWidth(twipsToPixels(kClientWidthTwips));
    auto* scroll = new QScrollArea(window);
    scroll->setObjectName("serviceScroll");
    scroll->setFrameShape(QFrame::NoFrame);
    // At the designed size the service area takes no room at all, not even its scroll bars.
    scroll->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    auto* service = new QWidget;
    service->setObjectName("serviceArea");
    auto* areas = new QVBoxLayout(window);
    areas->setContentsMargins(0, 0, 0, 0);
    areas->setSpacing(0);
    areas->addWidget(client);
    areas->addWidget(scroll, 1);

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
    Command1_ = place<QPushButton>(service, "Command1", tr("接続"),
                                   belowClientArea({3720, 3480, 975, 375}));
    cmbErase_ = place<QPushButton>(service, "cmbErase", tr("消去"),
                                   belowClientArea({3720, 3960, 975, 375}));
    cmbWrite_ = place<QPushButton>(service, "cmbWrite", tr("書き込み"),
                                   belowClientArea({3720, 4440, 975, 375}));
    cmbEnd_ =
        place<QPushButton>(service, "cmbEnd", tr("切断"), belowClientArea({3720, 4920, 975, 375}));

    // Checksum.
    cmdCheckSum_ = place<QPushButton>(service, "cmdCheckSum", "CHECK SUM",
                                      belowClientArea({6360, 3480, 1215, 495}));
    txtCsStt_ =
        place<QLineEdit>(service, "txtCsStt", "C000", belowClientArea({7680, 3480, 1215, 495}));
    txtCsStp_ =
        place<QLineEdit>(service, "txtCsStp", "FFFF", belowClientArea({9000, 3480, 1215, 495}));

    Text2_ = place<QLineEdit>(service, "Text2", "Text2", belowClientArea({7560, 4080, 2775, 270}));
    Text1_ = place<QLineEdit>(service, "Text1", "", belowClientArea({7080, 4920, 735, 270}));

    // Hex view.
    Label4_ =
        place<QLabel>(service, "Label4", tr("アドレス"), belowClientArea({6360, 5040, 975, 255}));
    txtMemory_ = new HexView(service);
    txtMemory_->setObjectName("txtMemory");
    txtMemory_->setGeometry(twipsToPixels(belowClientArea({4440, 5520, 6975, 5175})));
    txtMemory_->setReadOnly(true);
    txtMemory_->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont courier("Courier");
    courier.setStyleHint(QFont::TypeWriter);
    courier.setFixedPitch(true);
    courier.setPointSizeF(9.75);
    txtMemory_->setFont(courier);
    // The view was designed under several service controls; they stay on top and usable.
    txtMemory_->lower();

    cmdMacro_[2] = place<QPushButton>(service, "cmdMacro_2", tr("マ"),
                                      belowClientArea({3720, 6480, 615, 615}));

    // The second current-loader panel.
    Command11_ = place<QPushButton>(service, "Command11", tr("接続", "narrow button"),
                                    belowClientArea({3720, 7320, 615, 375}));
    Command8_ = place<QPushButton>(service, "Command8", tr("消去"),
                                   belowClientArea({3720, 7680, 615, 375}));
    Command9_ = place<QPushButton>(service, "Command9", tr("書込"),
                                   belowClientArea({3720, 8040, 615, 375}));
    Command10_ = place<QPushButton>(service, "Command10", tr("切断", "narrow button"),
                                    belowClientArea({3720, 8400, 615, 375}));

    cmdBrevo_ =
        place<QPushButton>(service, "cmdBrevo", "Brevo", belowClientArea({3600, 9000, 1335, 735}));
    cmdBrevo_->setFont(withPointSize(cmdBrevo_->font(), 24, false));

    // The earlier-generation panel.
    Command4_ = place<QPushButton>(service, "Command4", tr("接続"),
                                   belowClientArea({3600, 9720, 975, 375}));
    Command7_ = place<QPushButton>(service, "Command7", tr("消去"),
                                   belowClientArea({3600, 10080, 975, 375}));
    Command6_ = place<QPushButton>(service, "Command6", tr("書き込み"),
                                   belowClientArea({3600, 10440, 975, 375}));
    Command5_ = place<QPushButton>(service, "Command5", tr("切断"),
                                   belowClientArea({3600, 10800, 975, 375}));

    cmdMacro_[1] = place<QPushButton>(service, "cmdMacro_1", tr("マ"),
                                      belowClientArea({11400, 9720, 615, 1455}));

    // Line speed of the port pin command: 4800 on top, 9600 in the middle, 38400 below.
    Frame1_ =
        placeFrame(service, "Frame1", tr("通信速度"), belowClientArea({10440, 3360, 1455, 1335}));
    optBPS_[2] = place<QRadioButton>(Frame1_, "optBPS_2", "4800", {120, 240, 1215, 255});
    optBPS_[0] = place<QRadioButton>(Frame1_, "optBPS_0", "9600", {120, 600, 1215, 255});
    optBPS_[1] = place<QRadioButton>(Frame1_, "optBPS_1", "38400", {120, 960, 1215, 255});
    optBPS_[0]->setChecked(true);

    txtCFG0_ =
        place<QLineEdit>(service, "txtCFG0", "Text3", belowClientArea({10800, 5400, 1095, 495}));
    txtCFG1_ =
        place<QLineEdit>(service, "txtCFG1", "Text3", belowClientArea({10800, 6000, 1095, 495}));

    // Port pin panel.
    Frame2_ = placeFrame(service, "Frame2", tr("ポートの制御"),
                         belowClientArea({6360, 10320, 2535, 1335}));
    port_[0] = place<QRadioButton>(Frame2_, "port_0", tr("L出力"), {120, 240, 1095, 255});
    port_[1] = place<QRadioButton>(Frame2_, "port_1", tr("H出力"), {120, 480, 1095, 255});
    port_[2] = place<QRadioButton>(Frame2_, "port_2", tr("入力"), {120, 720, 1095, 255});
    port_[3] = place<QRadioButton>(Frame2_, "port_3", tr("読む"), {120, 960, 1095, 255});
    port_[3]->setChecked(true);
    txtPinNumber_ = place<QLineEdit>(Frame2_, "txtPinNumber", "", {1320, 240, 1095, 375});
    Command2_ = place<QPushButton>(Frame2_, "Command2", "GO", {1320, 720, 1095, 495});

    keepClearOfSiblings(static_cast<HexView*>(txtMemory_));
    service->resize(service->childrenRect().bottomRight().x() + 1,
                    service->childrenRect().bottomRight().y() + 1);
    scroll->setWidget(service);
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
