// TestKorviCardReader: the test bench of the KorviCard reader driver.

#include <QApplication>
#include <QCommandLineParser>

#include "testbench/pages/id_card_page.h"
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
    const QCommandLineOption idServer(
        QStringLiteral("id-server"),
        QStringLiteral("Identity server of the identity-card page (its IP and port fields)."),
        QStringLiteral("address:port"));
    const QCommandLineOption dispatchServer(
        QStringLiteral("dispatch-server"),
        QStringLiteral("Dispatch server host of the identity-card page."), QStringLiteral("host"));
    const QCommandLineOption decoder(
        QStringLiteral("decoder"),
        QStringLiteral("Photo decoder server host of the identity-card page."),
        QStringLiteral("host"));
    parser.addOption(ip);
    parser.addOption(port);
    parser.addOption(idServer);
    parser.addOption(dispatchServer);
    parser.addOption(decoder);
    parser.process(app);

    bench::IdServerPreset preset;
    const QString server = parser.value(idServer);
    preset.idServerHost = server.section(QLatin1Char(':'), 0, 0);
    preset.idServerPort = server.section(QLatin1Char(':'), 1, 1);
    preset.dispatchHost = parser.value(dispatchServer);
    preset.decoderHost = parser.value(decoder);

    bench::TfrmMain frmMain;
    frmMain.idCard().ApplyPreset(preset);
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
