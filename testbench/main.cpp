// TestKorviCardReader: the test bench of the KorviCard reader driver.

#include <QApplication>
#include <QCommandLineParser>

#include "testbench/reader_selection_panel.h"
#include "testbench/sysinfo/system_info.h"
#include "testbench/tfrm_main.h"

namespace {

// The bench's run between the system information's start-up and its finalisation.
int RunBench(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TestKorviCardReader"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("KorviCard reader test bench"));
    parser.addHelpOption();
    const QCommandLineOption ip(QStringLiteral("ip"),
                                QStringLiteral("Open a network reader at this IPv4 address."),
                                QStringLiteral("address"));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("TCP port of the network reader."),
                                  QStringLiteral("port"), QStringLiteral("12345"));
    parser.addOption(ip);
    parser.addOption(port);
    parser.process(app);

    bench::TfrmMain frmMain;
    if (parser.isSet(ip))
        frmMain.selection().UseNetworkReader(parser.value(ip), parser.value(port));
    frmMain.show();
    return QApplication::exec();
}

}  // namespace

// The system information is gathered before the window exists and released after it is gone.
int main(int argc, char** argv) {
    sysunits::InitializeSystemInfo();
    const int result = RunBench(argc, argv);
    sysunits::FinalizeSystemInfo();
    return result;
}
