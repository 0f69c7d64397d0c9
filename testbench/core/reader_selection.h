#pragma once

#include <QString>
#include <string>
#include <variant>

namespace bench {

// The reader models of the selection area.
enum class ReaderModel {
    kV1K,      // rdbV1K: no transport settings of its own, opened as USB HID
    kSerial,   // rdbV1S: V1-S/V2-S/V3-S
    kUsbHid,   // rdbV1U: V1-U/V2-U/V3-U/V6-U
    kNetwork,  // rdbv3UW: V3-W/V6-E
};

// What the selection area shows when a reader is opened.
struct ReaderSelection {
    ReaderModel model = ReaderModel::kUsbHid;
    QString commPort;    // cmbCommPort.Text
    QString ipAddress;   // edtIPAdress.Text
    QString devicePort;  // edtDevicePort.Text
    QString vid = QStringLiteral("0");
    QString pid = QStringLiteral("0");
    int usbIndex = 0;        // cmbUsbIndex.ItemIndex
    bool bluetooth = false;  // chkBlueTooth
};

// The arguments of one KorviCardOpenDevice call (the time-out and callback aside).
struct OpenRequest {
    std::string name;
    int vidOrPort = 0;
    int pid = 0;
    int usbIndex = 0;

    bool operator==(const OpenRequest&) const = default;
};

// The open the selection asks for, or the text of the conversion error of a VID, PID or
// port text that is not a number in its base.
std::variant<OpenRequest, QString> BuildOpenRequest(const ReaderSelection& selection);

}  // namespace bench
