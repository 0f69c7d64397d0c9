#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace bench {

class BenchContext;

// The reader-selection area above the pages: the model, the serial port, the USB
// identifiers and index, and the network address. Every change reaches the bench context;
// a model change closes the open reader so that the next operation opens the new model.
class ReaderSelectionPanel : public QWidget {
    Q_OBJECT
  public:
    ReaderSelectionPanel(BenchContext& context, const QStringList& serialPorts,
                         QWidget* parent = nullptr);

    // The click handler of the four model buttons.
    void rdbV1SClick();
    // The SDT box: checked, the preset identifiers 2F81/7209 in the VID and PID edits;
    // unchecked, both "0".
    void chkSDTClick();
    // Chooses the network model with the given address and port, as a click would.
    void UseNetworkReader(const QString& address, const QString& port);

  private:
    void Publish();

    BenchContext& context_;
    QGroupBox* gbDeviceType = nullptr;
    QRadioButton* rdbV1K = nullptr;
    QRadioButton* rdbV1S = nullptr;
    QRadioButton* rdbV1U = nullptr;
    QRadioButton* rdbv3UW = nullptr;
    QGroupBox* gbParameter = nullptr;
    QComboBox* cmbCommPort = nullptr;
    QCheckBox* chkBlueTooth = nullptr;
    QGroupBox* gbVidPid = nullptr;
    QLineEdit* edtVid = nullptr;
    QLineEdit* edtPid = nullptr;
    QCheckBox* chkSDT = nullptr;
    QGroupBox* GroupBox9 = nullptr;
    QComboBox* cmbUsbIndex = nullptr;
    QGroupBox* GroupBox14 = nullptr;
    QLineEdit* edtIPAdress = nullptr;
    QLineEdit* edtDevicePort = nullptr;
    QPushButton* btnPing = nullptr;
};

}  // namespace bench
