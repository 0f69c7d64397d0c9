#include "testbench/pages/other_api_tools.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

#include "testbench/core/log_memo.h"
#include "testbench/core/widget_factory.h"

namespace bench {

namespace {

constexpr int kColumns = 9;

// Places controls into a grid row by row, kColumns cells to a row.
class CellFlow {
  public:
    explicit CellFlow(QGridLayout* grid) : grid_(grid) {}

    // The next cell (or span cells, on a new row when they do not fit this one).
    std::pair<int, int> Take(int span = 1) {
        if (column_ + span > kColumns) NewRow();
        const std::pair<int, int> cell{row_, column_};
        column_ += span;
        return cell;
    }
    void NewRow() {
        if (column_ > 0) ++row_;
        column_ = 0;
    }
    QGridLayout* grid() const { return grid_; }

  private:
    QGridLayout* grid_;
    int row_ = 0;
    int column_ = 0;
};

}  // namespace

OtherApiTools::OtherApiTools(BenchContext& context, LogMemo& log, QWidget* parent)
    : QWidget(parent), context_(context), mmOtherApiLog(log) {
    setObjectName(QStringLiteral("OtherApiTools"));
    BuildControls();
}

void OtherApiTools::BuildControls() {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    for (int column = 0; column < kColumns; ++column) grid->setColumnStretch(column, 1);
    CellFlow flow(grid);

    auto button = [this](CellFlow& cells, const char* name, const char* text,
                         void (OtherApiTools::*handler)()) {
        QPushButton* made = MakeButton(QString::fromUtf8(name), QString::fromUtf8(text),
                                       cells.grid()->parentWidget());
        const auto [row, column] = cells.Take();
        cells.grid()->addWidget(made, row, column);
        OnClick(made, context_, [this, handler] { (this->*handler)(); });
        return made;
    };
    auto edit = [](CellFlow& cells, const char* name, const char* label, const QString& text,
                   int span) {
        const auto [row, column] = cells.Take(span);
        QLineEdit* made = AddLabeledEdit(cells.grid(), row, column, QString::fromUtf8(name),
                                         QString::fromUtf8(label), text);
        if (span > 2) {
            cells.grid()->removeWidget(made);
            cells.grid()->addWidget(made, row, column + 1, 1, span - 1);
        }
        return made;
    };
    auto combo = [](CellFlow& cells, const char* name, const char* label,
                    const QStringList& items) {
        const auto [row, column] = cells.Take(2);
        QComboBox* made = AddLabeledCombo(cells.grid(), row, column, QString::fromUtf8(name),
                                          QString::fromUtf8(label));
        made->addItems(items);
        made->setCurrentIndex(0);
        return made;
    };
    edtTestText = edit(flow, "edtTestText", "文本：",
                       QStringLiteral("白日依山尽黄河入海流欲穷千里目更上一层楼"), 4);
    btnWriteText = button(flow, "btnWriteText", "写入文本", &OtherApiTools::btnWriteTextClick);
    btnReadText = button(flow, "btnReadText", "读取文本", &OtherApiTools::btnReadTextClick);
    btnGetBankCardNo =
        button(flow, "btnGetBankCardNo", "银行卡号", &OtherApiTools::btnGetBankCardNoClick);
    btnGetCardId = button(flow, "btnGetCardId", "物理卡号", &OtherApiTools::btnGetCardIdClick);
    btnBeijingCardNo =
        button(flow, "btnBeijingCardNo", "北京公交卡号", &OtherApiTools::btnBeijingCardNoClick);
    btnTestFm1208 = button(flow, "btnTestFm1208", "FM1208测试", &OtherApiTools::btnTestFm1208Click);

    btnGetDeviceNo =
        button(flow, "btnGetDeviceNo", "读卡器设备号", &OtherApiTools::btnGetDeviceNoClick);
    btnSetRfOn = button(flow, "btnSetRfOn", "打开射频", &OtherApiTools::btnSetRfOnClick);
    btnSetRfOff = button(flow, "btnSetRfOff", "关闭射频", &OtherApiTools::btnSetRfOffClick);
    btnLedOff = button(flow, "btnLedOff", "关灯", &OtherApiTools::btnLedOffClick);
    btnLedOn = button(flow, "btnLedOn", "点灯", &OtherApiTools::btnLedOnClick);
    btnRedLedOn = button(flow, "btnRedLedOn", "红灯亮", &OtherApiTools::btnRedLedOnClick);
    btnGreenLedOn = button(flow, "btnGreenLedOn", "绿灯亮", &OtherApiTools::btnGreenLedOnClick);
    btnResetRfIc = button(flow, "btnResetRfIc", "复位射频IC", &OtherApiTools::btnResetRfIcClick);
    btnMcuConfig = button(flow, "btnMcuConfig", "其他配置", &OtherApiTools::btnMcuConfigClick);
    btnGetIspOption =
        button(flow, "btnGetIspOption", "获取ISP选项", &OtherApiTools::btnGetIspOptionClick);
    btnEnableIsp = button(flow, "btnEnableIsp", "打开ISP选项", &OtherApiTools::btnEnableIspClick);
    btnDisableIsp =
        button(flow, "btnDisableIsp", "关闭ISP选项", &OtherApiTools::btnDisableIspClick);
    btnExecStringCommand = button(flow, "btnExecStringCommand", "字符串指令",
                                  &OtherApiTools::btnExecStringCommandClick);
    btnGetDeviceMacAddress = button(flow, "btnGetDeviceMacAddress", "获取MAC地址",
                                    &OtherApiTools::btnGetDeviceMacAddressClick);
    btnFirewareBuildTime = button(flow, "btnFirewareBuildTime", "固件编译时间",
                                  &OtherApiTools::btnFirewareBuildTimeClick);
    btnLibBuildTime =
        button(flow, "btnLibBuildTime", "库编译时间", &OtherApiTools::btnLibBuildTimeClick);
    btnReadUsb = button(flow, "btnReadUsb", "读USB数据", &OtherApiTools::btnReadUsbClick);
    flow.NewRow();
    edtRfRegister = edit(flow, "edtRfRegister", "寄存器：", QStringLiteral("0"), 2);
    edtRfRegisterValue = edit(flow, "edtRfRegisterValue", "寄存器值：", QStringLiteral("0"), 2);
    btnReadRfRegiter =
        button(flow, "btnReadRfRegiter", "读寄存器", &OtherApiTools::btnReadRfRegiterClick);
    btnWriteRfRegiter =
        button(flow, "btnWriteRfRegiter", "写寄存器", &OtherApiTools::btnWriteRfRegiterClick);
    edtBeepLen = edit(flow, "edtBeepLen", "蜂鸣长度(MS)：", QStringLiteral("10"), 2);
    btnBeep = button(flow, "btnBeep", "蜂鸣测试", &OtherApiTools::btnBeepClick);

    flow.NewRow();
    edtBluetoothAtCommand =
        edit(flow, "edtBluetoothAtCommand", "AT指令：", QStringLiteral("AT"), 2);
    btnSendBluetoothAtCommand = button(flow, "btnSendBluetoothAtCommand", "写蓝牙AT指令",
                                       &OtherApiTools::btnSendBluetoothAtCommandClick);
    cmbBlueToolthBaudReate = combo(flow, "cmbBlueToolthBaudReate", "波特率：",
                                   {QStringLiteral("9600"), QStringLiteral("115200")});
    btnSetBluetoothBaudRate = button(flow, "btnSetBluetoothBaudRate", "设置蓝牙串口波特率",
                                     &OtherApiTools::btnSetBluetoothBaudRateClick);
    btnGetChargeVoltage = button(flow, "btnGetChargeVoltage", "获取充电电压",
                                 &OtherApiTools::btnGetChargeVoltageClick);
    btnGetUsbChargeStatus = button(flow, "btnGetUsbChargeStatus", "USB充电状态",
                                   &OtherApiTools::btnGetUsbChargeStatusClick);
    flow.NewRow();
    cmbChargeCurrent = combo(flow, "cmbChargeCurrent", "充电电流：",
                             {QStringLiteral("450ma"), QStringLiteral("80ma")});
    btnSetChargeCurrent = button(flow, "btnSetChargeCurrent", "设置充电电流",
                                 &OtherApiTools::btnSetChargeCurrentClick);
    btnGetChargeCurrent = button(flow, "btnGetChargeCurrent", "获取充电电流",
                                 &OtherApiTools::btnGetChargeCurrentClick);
    btnGetChargeStatus =
        button(flow, "btnGetChargeStatus", "获取电池状态", &OtherApiTools::btnGetChargeStatusClick);
    btnResetMcu = button(flow, "btnResetMcu", "复位MCU", &OtherApiTools::btnResetMcuClick);
    btnSetMcuBkp = button(flow, "btnSetMcuBkp", "设置BKP", &OtherApiTools::btnSetMcuBkpClick);
    btnGetDebugBkp =
        button(flow, "btnGetDebugBkp", "获取调试BKP", &OtherApiTools::btnGetDebugBkpClick);
}

}  // namespace bench
