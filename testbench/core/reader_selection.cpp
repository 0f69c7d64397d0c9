#include "testbench/core/reader_selection.h"

#include "testbench/core/hex_text.h"
#include "testbench/core/ip_address.h"

namespace bench {

std::variant<OpenRequest, QString> BuildOpenRequest(const ReaderSelection& selection) {
    OpenRequest request;
    if (selection.model == ReaderModel::kSerial) {
        request.name = selection.commPort.trimmed().toStdString();
    }
    if (selection.model == ReaderModel::kNetwork && IsIpAddress(selection.ipAddress)) {
        request.name = selection.ipAddress.toStdString();
    }
    try {
        request.vidOrPort = static_cast<int>(HexTextToValue(selection.vid));
        request.pid = static_cast<int>(HexTextToValue(selection.pid));
        if (selection.model == ReaderModel::kNetwork) {
            request.vidOrPort = DecimalTextToValue(selection.devicePort);
        }
    } catch (const ConversionError& error) {
        return error.text();
    }
    request.usbIndex = selection.usbIndex;
    return request;
}

}  // namespace bench
