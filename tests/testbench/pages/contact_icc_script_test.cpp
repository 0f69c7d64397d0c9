// The contact page's ICC_Reader_ script against the simulated reader as a USB reader: this
// program links the driver in, so that its USB transport can be given the simulator's HID
// backend.

#include <QTest>

#include "core/transport/hid_transport.h"
#include "sim/adapters/hid_backend_adapter.h"
#include "sim/contact_card_samples.h"
#include "sim/rig_population.h"
#include "testbench/bench_sim.h"

namespace {

constexpr char kLog[] = "mmSamLog";

// The simulator listed as the USB reader while it lives.
class SimulatedUsbReader {
  public:
    explicit SimulatedUsbReader(BenchSim& sim) {
        SetHidBackendFactory(
            [&sim] { return std::make_unique<sim::HidBackendAdapter>(sim.port()); });
    }
    ~SimulatedUsbReader() { SetHidBackendFactory({}); }
    SimulatedUsbReader(const SimulatedUsbReader&) = delete;
    SimulatedUsbReader& operator=(const SimulatedUsbReader&) = delete;
};

}  // namespace

class ContactIccScriptTest : public QObject {
    Q_OBJECT
  private slots:
    void WholeScript() {
        BenchSim sim;
        // The bank card in the contact-card slot, the PSAM in the first SAM slot.
        sim.InsertContactCard(0, sim::SampleContactBankCard());
        sim.InsertContactCard(1, sim::SamplePsam());
        SimulatedUsbReader usb(sim);
        BenchWindow bench(sim);
        bench.Click("btnTestICC");
        const QStringList log = bench.Log(kLog);
        QVERIFY(log[0].startsWith("打开设备成功，返回值:"));
        QVERIFY(log[1].startsWith("ICC_Reader_Libinfo值:"));
        QCOMPARE(log.mid(2, 13),
                 (QStringList{"ICC_Reader_Libinfo返回值:0", "11ICC_Reader_GetStatus返回值:0",
                              "01ICC_Reader_GetStatus返回值:0", "11ICC_Reader_PowerOn返回值:10",
                              "复位数据：3B084B565053414D3031", "01ICC_Reader_PowerOn返回值:11",
                              "复位数据：3B0950424F434445424954",
                              "11ICC_Reader_Application返回值:6", "随机数：1A2B3C4D9000",
                              "01 ICC_Reader_Application返回值:2", "随机数：6D00",
                              "11ICC_Reader_Application返回值:2", "选择1PAY.SYS.DDF01：6D00"}));
        // The bank card announces its answer with 61 xx; GET RESPONSE fetches it.
        QCOMPARE(log[15], QStringLiteral("01ICC_Reader_Application返回值:2"));
        QVERIFY(log[16].startsWith("选择1PAY.SYS.DDF01：61"));
        QCOMPARE(log[17], QStringLiteral("01 ICC_Reader_Application返回值:") +
                              QString::number(log[16].right(2).toInt(nullptr, 16) + 2));
        QVERIFY(log[18].startsWith("后续数据：6F") && log[18].endsWith("9000"));
        QCOMPARE(log.mid(19),
                 (QStringList{"11ICC_Reader_PowerOff返回值:0", "01ICC_Reader_PowerOff返回值:0",
                              "ICC_Reader_Close返回值:0"}));
    }

    void ScriptEndsWithoutAContactCard() {
        BenchSim sim;
        sim.InsertContactCard(0, nullptr);
        SimulatedUsbReader usb(sim);
        BenchWindow bench(sim);
        bench.Click("btnTestICC");
        const QStringList log = bench.Log(kLog);
        // No power-off lines: the script ends at the failed power-on; the API is closed.
        QCOMPARE(log.mid(5),
                 (QStringList{"11ICC_Reader_PowerOn返回值:11", "复位数据：3B0950424F434445424954",
                              "01ICC_Reader_PowerOn返回值:-13", "ICC_Reader_Close返回值:0"}));
    }
};

QTEST_MAIN(ContactIccScriptTest)
#include "contact_icc_script_test.moc"
