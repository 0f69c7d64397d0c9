// The window: its pages, the model buttons, how the selection reaches the open, the reuse
// of an open reader, and a picture of every page.

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include "testbench/bench_sim.h"
#include "testbench/core/bench_context.h"
#include "testbench/shown_text_fit.h"

using namespace bench;

namespace {

struct OpenCall {
    OpenRequest request;
    int timeoutMs;
};

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT
  private slots:
    void PagesAndSize() {
        BenchSim sim;
        BenchWindow bench(sim);
        QCOMPARE(bench.window().size(), QSize(TfrmMain::kWidth, TfrmMain::kHeight));
        auto* pages = bench.Find<QTabWidget>("PageControl1");
        const QStringList names = {"TabSheet1", "TabSheet2", "TabSheet6", "TabSheet3", "TabSheet4",
                                   "TabSheet5", "TabSheet8", "TabSheet9", "TabSheet7"};
        const QStringList titles = {
            "高频基础功能",    "M1(S50/S70)密码初始化", "M1(S50/S70)读写", "NTAG系列卡片",
            "高频其他API测试", "超高频基础功能",        "接触式",          "继电器控制",
            "二代证"};
        QCOMPARE(pages->count(), names.size());
        for (int i = 0; i < pages->count(); ++i) {
            QCOMPARE(pages->widget(i)->objectName(), names[i]);
            QCOMPARE(pages->tabText(i), titles[i]);
        }
        // Every edit and list can be named by assistive technology, every button by its text.
        for (QWidget* w : bench.window().findChildren<QWidget*>()) {
            if (qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w)) {
                QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
            }
            if (auto* button = qobject_cast<QPushButton*>(w)) {
                QCOMPARE(button->accessibleName(), button->text());
            }
        }
    }

    void ModelButtons_data() {
        QTest::addColumn<QString>("radio");
        QTest::addColumn<bool>("port");
        QTest::addColumn<bool>("ip");
        QTest::addColumn<bool>("vidPid");
        QTest::newRow("serial") << "rdbV1S" << true << false << false;
        QTest::newRow("network") << "rdbv3UW" << false << true << false;
        QTest::newRow("usb") << "rdbV1U" << false << false << true;
        QTest::newRow("v1k") << "rdbV1K" << false << false << false;
    }
    void ModelButtons() {
        QFETCH(QString, radio);
        QFETCH(bool, port);
        QFETCH(bool, ip);
        QFETCH(bool, vidPid);
        BenchSim sim;
        BenchWindow bench(sim);
        bench.Click("btnDeselectCpuCard");
        QVERIFY(bench.window().context().HasReader());
        bench.Find<QRadioButton>(qPrintable(radio))->click();
        QCOMPARE(bench.Find<QComboBox>("cmbCommPort")->isEnabled(), port);
        QCOMPARE(bench.Find<QLineEdit>("edtIPAdress")->isEnabled(), ip);
        QCOMPARE(bench.Find<QGroupBox>("gbVidPid")->isEnabled(), vidPid);
        QCOMPARE(bench.Find<QLineEdit>("edtVid")->isEnabled(), vidPid);
        // Each choice closes the open reader.
        QVERIFY(!bench.window().context().HasReader());
    }

    // What the selection area makes of its controls when a handler opens the reader.
    void OpenFromControls_data() {
        QTest::addColumn<QString>("radio");
        QTest::addColumn<QString>("ip");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("vid");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("vidOrPort");
        QTest::addColumn<QString>("message");
        QTest::newRow("network") << "rdbv3UW"
                                 << "192.168.4.1"
                                 << "12345"
                                 << "0" << 0 << "192.168.4.1" << 12345 << "";
        QTest::newRow("network host name") << "rdbv3UW"
                                           << "reader"
                                           << "12345"
                                           << "0" << 0 << "" << 12345 << "";
        QTest::newRow("usb index 2") << "rdbV1U"
                                     << ""
                                     << ""
                                     << "51A" << 2 << "" << 0x51A << "";
        QTest::newRow("usb bad vid") << "rdbV1U"
                                     << ""
                                     << ""
                                     << "5G" << 0 << "" << 0 << "“5G”不是有效的整数值";
        QTest::newRow("open fails") << "rdbV1K"
                                    << ""
                                    << ""
                                    << "0" << 0 << "" << -1 << "打开设备失败";
    }
    void OpenFromControls() {
        QFETCH(QString, radio);
        QFETCH(QString, ip);
        QFETCH(QString, port);
        QFETCH(QString, vid);
        QFETCH(int, index);
        QFETCH(QString, name);
        QFETCH(int, vidOrPort);
        QFETCH(QString, message);
        BenchSim sim;
        BenchWindow bench(sim);
        std::vector<OpenCall> calls;
        bench.window().context().openDevice = [&](const OpenRequest& request, int timeoutMs) {
            calls.push_back({request, timeoutMs});
            return vidOrPort == -1 ? -1 : 77;
        };
        bench.Find<QRadioButton>(qPrintable(radio))->click();
        bench.Find<QLineEdit>("edtIPAdress")->setText(ip);
        bench.Find<QLineEdit>("edtDevicePort")->setText(port);
        bench.Find<QLineEdit>("edtVid")->setText(vid);
        bench.Find<QComboBox>("cmbUsbIndex")->setCurrentIndex(index);
        bench.window().context().OpenReaderDevice(2000);
        QCOMPARE(bench.messages, message.isEmpty() ? QStringList() : QStringList{message});
        if (message.startsWith(QStringLiteral("“"))) {
            QVERIFY(calls.empty());
            return;
        }
        QCOMPARE(calls.size(), std::size_t{1});
        QCOMPARE(QString::fromStdString(calls[0].request.name), name);
        if (vidOrPort != -1) QCOMPARE(calls[0].request.vidOrPort, vidOrPort);
        QCOMPARE(calls[0].request.usbIndex, index);
        QCOMPARE(calls[0].timeoutMs, 2000);
        bench.window().context().openDevice = nullptr;
        // The fake handle 77 is no reader of the driver's; forget it before the window closes.
        bench.window().context().CloseReaderForGood();
    }

    void OpenReaderIsReused() {
        BenchSim sim;
        BenchWindow bench(sim);
        bench.Click("btnDeselectCpuCard");
        const int handle = bench.window().context().hDevice();
        QVERIFY(handle > 0);
        bench.Click("btnDeselectCpuCard");
        QCOMPARE(bench.window().context().hDevice(), handle);
        QCOMPARE(sim.Connections(), 1);
        // A handler that closes at its end makes the next one open anew.
        bench.Click("btnTestM1");
        QVERIFY(!bench.window().context().HasReader());
        bench.Click("btnTestM1");
        QCOMPARE(sim.Connections(), 2);
    }

    void BluetoothKeepsTheReaderOpen() {
        BenchSim sim;
        BenchWindow bench(sim);
        bench.Find<QCheckBox>("chkBlueTooth")->click();
        QElapsedTimer timer;
        timer.start();
        bench.Click("btnTestM1");
        QVERIFY(timer.elapsed() >= 2000);
        QVERIFY(bench.window().context().HasReader());
        // A model change keeps it too; only the window's end closes it.
        bench.Find<QRadioButton>("rdbV1U")->click();
        QVERIFY(bench.window().context().HasReader());
        bench.Close();
    }

    // At the window's normal size every edit and drop-down shows its default text whole:
    // those of the selection area and those of each page brought to the front.
    void DefaultTextsShowWhole() {
        BenchSim sim;
        BenchWindow bench(sim);
        QCOMPARE(bench.window().size(), QSize(TfrmMain::kWidth, TfrmMain::kHeight));
        auto* pages = bench.Find<QTabWidget>("PageControl1");
        QStringList faults = CutTexts(*bench.Find<QWidget>("ReaderSelection"), "ReaderSelection");
        for (int i = 0; i < pages->count(); ++i) {
            pages->setCurrentIndex(i);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            faults << CutTexts(*pages->widget(i),
                               pages->widget(i)->objectName() + " " + pages->tabText(i));
        }
        // Every fault on a line of its own: a failure message is cut at a kilobyte.
        for (const QString& fault : faults) qWarning("%s", qPrintable(fault));
        QVERIFY(faults.isEmpty());
    }

    void Screenshots() {
        BenchSim sim;
        BenchWindow bench(sim);
        auto* pages = bench.Find<QTabWidget>("PageControl1");
        SaveScreenshot(bench.window(), QStringLiteral("window"));
        for (int i = 0; i < pages->count(); ++i) {
            pages->setCurrentIndex(i);
            SaveScreenshot(bench.window(),
                           QStringLiteral("page_") + pages->widget(i)->objectName());
        }
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
