// The identity-card page against the real driver, the simulated reader and the simulated
// identity server, dispatch server and photo decoder on their own loopback addresses, and a
// second photo decoder at the driver's default decoder, as the run command serves them.

#include "testbench/pages/id_card_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "QivUnicodeControls/tqiv_edit.h"
#include "sim/rig_population.h"
#include "sim/servers/identity_services.h"
#include "sim/servers/photo_decoder_server.h"
#include "sim/servers/two_id_server_box.h"
#include "testbench/bench_sim.h"
#include "testbench/core/bench_context.h"
#include "testbench/core/hex_text.h"
#include "testbench/shown_text_fit.h"

using sim::FieldCard;

namespace {

constexpr char kIdServer[] = "127.0.0.161";
constexpr char kDispatch[] = "127.0.0.162";
constexpr char kDecoder[] = "127.0.0.163";
constexpr char kSilentBox[] = "127.0.0.164";
// Where localhost, the driver's default decoder host, resolves.
constexpr char kDefaultDecoder[] = "127.0.0.1";

// The identity services and the bench's window on the simulated reader, the page's server
// fields set to them.
struct IdBench {
    explicit IdBench(FieldCard card = FieldCard::kTypeB) : sim(card), bench(sim) {
        bench.window().idCard().ApplyPreset(
            {QString::fromLatin1(kIdServer), QString::number(identity.Port()),
             QString::fromLatin1(kDispatch), QString::fromLatin1(kDecoder)});
    }
    QStringList Log() { return bench.Log("mmTwoIdLog"); }
    QString Edit(const char* name) { return bench.Find<TQivEdit>(name)->Text(); }
    QString Label(const char* name) { return bench.Find<QLabel>(name)->text(); }
    bool PhotoShown() {
        const QPixmap picture = bench.Find<QLabel>("imgTwoId")->pixmap();
        return !picture.isNull() && picture.width() > 60;
    }

    IdentityServerService identity{kIdServer, 0};
    DispatchService dispatch{kDispatch, kIdServer, identity.Port()};
    PhotoDecoderServer decoder{kDecoder};
    PhotoDecoderServer defaultDecoder{kDefaultDecoder};
    BenchSim sim;
    BenchWindow bench;
};

const QStringList kCardFields = {"张三",
                                 "男",
                                 "汉族",
                                 "19800101",
                                 "Sample Street 1",
                                 "110101198001010011",
                                 "Sample Police",
                                 "20200101-20400101"};
const char* const kCardEdits[] = {
    "edtTwoIdName",    "edtTwoIdSex", "edtTwoIdNation",           "edtTwoIdBirthday",
    "edtTwoIdAddress", "edtTwoIdNo",  "edtTwoIdSignedDepartment", "edtTwoIdValidityPeriod"};

void PutText(std::uint8_t* field, std::size_t width, std::u16string_view text) {
    std::memset(field, 0, width);
    for (std::size_t i = 0; i < text.size() && 2 * i + 1 < width; ++i) {
        field[2 * i] = static_cast<std::uint8_t>(text[i]);
        field[2 * i + 1] = static_cast<std::uint8_t>(text[i] >> 8);
    }
}

// A permit card's record that carries a JPEG photo of its own.
TwoIdInfoParam PermitRecord() {
    TwoIdInfoParam r{};
    PutText(r.arrTwoIdName, sizeof r.arrTwoIdName, u"\u674e\u56db");
    PutText(r.arrTwoIdSex, sizeof r.arrTwoIdSex, u"2");
    PutText(r.arrTwoIdNation, sizeof r.arrTwoIdNation, u"56");
    PutText(r.arrTwoIdValidityPeriodBegin, sizeof r.arrTwoIdValidityPeriodBegin, u"20200101");
    PutText(r.arrTwoIdValidityPeriodEnd, sizeof r.arrTwoIdValidityPeriodEnd, u"        ");
    PutText(r.arrTwoIdNewAddress, 18, u"H12345678");
    PutText(r.arrTwoIdNewAddress + 18, 4, u"02");
    PutText(r.arrTwoIdNewAddress + 28, 2, u"J");
    r.unTwoIdFingerprintLength = 0xFFFF;
    const std::vector<std::uint8_t> jpeg = PhotoDecoderServer::PictureFor({});
    std::memcpy(r.arrTwoIdPhotoJpeg, jpeg.data(), jpeg.size());
    r.unTwoIdPhotoJpegLength = static_cast<std::int32_t>(jpeg.size());
    return r;
}

void ExpectFieldsShown(IdBench& id) {
    for (int i = 0; i < kCardFields.size(); ++i) QCOMPARE(id.Edit(kCardEdits[i]), kCardFields[i]);
}

// A read through the dispatch server, which refuses it with the bytes of a text: the read's
// failure line, then the text as the page shows it.
void ExpectDispatchRefusal(IdBench& id, const std::string& bytes, const QString& shown) {
    id.dispatch.Refuse(bytes);
    id.bench.ClearLog("mmTwoIdLog");
    id.bench.Click("btnGetTwoIdInfoByMcuServer");
    const QStringList log = id.Log();
    QCOMPARE(log.mid(log.size() - 2),
             (QStringList{"调用KorviCardGetTwoIdInfoByMcuServer失败!错误编码:31错误描述:"
                          "获取SAMV地址端口错误",
                          "调度服务器错误信息:" + shown}));
}

}  // namespace

class IdCardPageTest : public QObject {
    Q_OBJECT
  private slots:
    void LocalReadShowsCardAndPhoto() {
        IdBench id;
        id.bench.Find<QTabWidget>("PageControl1")->setCurrentWidget(&id.bench.window().idCard());
        id.bench.Click("btnReadTwoIdInfo");
        const QStringList log = id.Log();
        QCOMPARE(log.mid(0, 3), (QStringList{"设置读卡器TYPE B成功", "二代证ID：5a1b2c3d4e5f6071",
                                             "调用KorviCardGetTwoIdInfo成功!"}));
        QVERIFY(log.contains("调用KorviCardWlDecodeByServer成功!"));
        ExpectFieldsShown(id);
        QVERIFY(id.PhotoShown());
        QCOMPARE(id.Label("lblTwoIdCountInfo"), QStringLiteral("统计结果：成功[1] 失败[0]"));
        QVERIFY(id.bench.window().context().HasReader());
        SaveScreenshot(id.bench.window(), QStringLiteral("id_card_page"));

        // A second read reuses the open reader and its type.
        id.bench.ClearLog("mmTwoIdLog");
        id.bench.Click("btnReadTwoIdInfo");
        QVERIFY(id.Log().first().startsWith("二代证ID："));
        QCOMPARE(id.Label("lblTwoIdCountInfo"), QStringLiteral("统计结果：成功[2] 失败[0]"));
        id.bench.Click("btnClearCountInfo");
        QCOMPARE(id.Label("lblTwoIdCountInfo"), QStringLiteral("统计结果：成功[0] 失败[0]"));
    }

    // The field holds the identity card's type-B side beside a type A card, as the run
    // command's simulator does. The local read leaves the reader on type B; a type-A handler
    // of the first page after it switches back to type A, and the next local read to type B
    // again: the handlers work in any order.
    void TypeAHandlerAfterTheLocalRead_data() {
        QTest::addColumn<int>("card");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("line");
        QTest::newRow("card number") << static_cast<int>(FieldCard::kMifare1K) << "btnGetCardNoEx"
                                     << "卡号(16进制)：917E5C3A";
        QTest::newRow("CPU card reset") << static_cast<int>(FieldCard::kCpu) << "btnRestCpuCard"
                                        << "调用KorviCardResetCpuCard成功!";
    }
    void TypeAHandlerAfterTheLocalRead() {
        QFETCH(int, card);
        QFETCH(QString, button);
        QFETCH(QString, line);
        IdBench id(static_cast<FieldCard>(card));
        id.sim.AddTypeBCard(sim::SampleIdentityTypeBCard());
        bench::BenchContext& context = id.bench.window().context();
        id.bench.Find<QTabWidget>("PageControl1")->setCurrentWidget(&id.bench.window().idCard());
        id.bench.Click("btnReadTwoIdInfo");
        EXPECT_LINES(id.Log(), "设置读卡器TYPE B成功", "调用KorviCardGetTwoIdInfo成功!");
        QCOMPARE(context.curCardType(), 'B');
        // The card's texts show whole in the display.
        const QStringList cut = CutTexts(*id.bench.Find<QWidget>("GroupBox8"), "GroupBox8");
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join('\n')));

        id.bench.Click(qPrintable(button));
        EXPECT_LINES(id.bench.Log("mmLog"), "设置读卡器TYPE A成功", line);
        QCOMPARE(context.curCardType(), 'A');

        id.bench.ClearLog("mmTwoIdLog");
        id.bench.Click("btnReadTwoIdInfo");
        EXPECT_LINES(id.Log(), "设置读卡器TYPE B成功", "调用KorviCardGetTwoIdInfo成功!");
    }

    void Display() {
        IdBench id;
        bench::IdCardPage& page = id.bench.window().idCard();
        TwoIdInfoParam record = PermitRecord();
        page.ShowTwoIdInfo(record, QString());
        QCOMPARE(id.Log(), (QStringList{"指纹长度:-1", "指纹:" + QString(64, '0')}));
        QCOMPARE(id.Edit("edtTwoIdName"), QStringLiteral("李四"));
        QCOMPARE(id.Edit("edtTwoIdSex"), QStringLiteral("女"));
        QCOMPARE(id.Edit("edtTwoIdNation"), QStringLiteral("基诺族"));
        QCOMPARE(id.Edit("edtTwoIdValidityPeriod"), QStringLiteral("20200101-"));
        QCOMPARE(id.Edit("edtTwoIdPassNumber"), QStringLiteral("H12345678"));
        QCOMPARE(id.Edit("edtTwoIdIssueTimes"), QStringLiteral("02"));
        QCOMPARE(id.Edit("edtTwoIdCertificateType"), QStringLiteral("J"));
        QVERIFY(id.PhotoShown());

        // Clearing keeps the permit fields.
        page.ClearTwoIdInfo();
        QCOMPARE(id.Edit("edtTwoIdName"), QString());
        QCOMPARE(id.Edit("edtTwoIdPassNumber"), QStringLiteral("H12345678"));
        QVERIFY(!id.PhotoShown());

        // A photo length outside the field, or bytes libjpeg refuses: no picture.
        for (const std::int32_t length : {-5, 4097, 30}) {
            page.ShowTwoIdInfo(PermitRecord(), QString());
            QVERIFY(id.PhotoShown());
            record = PermitRecord();
            record.unTwoIdPhotoJpegLength = length;
            id.bench.ClearLog("mmTwoIdLog");
            page.ShowTwoIdInfo(record, QString());
            QCOMPARE(id.Log().last(), QStringLiteral("照片解码失败!"));
            QVERIFY(!id.PhotoShown());
        }

        // An empty sex code changes only the name.
        record = PermitRecord();
        PutText(record.arrTwoIdName, sizeof record.arrTwoIdName, u"\u738b\u4e94");
        PutText(record.arrTwoIdSex, sizeof record.arrTwoIdSex, u"");
        PutText(record.arrTwoIdNation, sizeof record.arrTwoIdNation, u"01");
        id.bench.ClearLog("mmTwoIdLog");
        page.ShowTwoIdInfo(record, QString());
        QCOMPARE(id.Log(), QStringList{"返回数据为空"});
        QCOMPARE(id.Edit("edtTwoIdName"), QStringLiteral("王五"));
        QCOMPARE(id.Edit("edtTwoIdNation"), QStringLiteral("基诺族"));

        // A nation code that is no number ends the display after the sex.
        record = PermitRecord();
        PutText(record.arrTwoIdSex, sizeof record.arrTwoIdSex, u"9");
        PutText(record.arrTwoIdNation, sizeof record.arrTwoIdNation, u"x1");
        PutText(record.arrTwoIdValidityPeriodBegin, sizeof record.arrTwoIdValidityPeriodBegin,
                u"19990101");
        QVERIFY_THROWS_EXCEPTION(bench::ConversionError, page.ShowTwoIdInfo(record, QString()));
        QCOMPARE(id.Edit("edtTwoIdSex"), QStringLiteral("未知"));
        QCOMPARE(id.Edit("edtTwoIdValidityPeriod"), QStringLiteral("20200101-"));
    }

    void ServerReads_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("success");
        QTest::addColumn<bool>("fingerprint");
        QTest::addColumn<bool>("counted");
        QTest::newRow("identity server")
            << "btnReadTwoIdInfoByServer"
            << "调用KorviCardGetTwoIdInfoByServer成功!" << false << false;
        QTest::newRow("wireless") << "btnReadTwoIdInfoByWireless"
                                  << "调用KorviCardGetTwoIdInfoByWirelessEx成功!" << false << false;
        QTest::newRow("wireless with fingerprint")
            << "btnReadTwoIdInfoByWireless"
            << "调用KorviCardGetTwoIdInfoByWirelessEx成功!" << true << false;
        QTest::newRow("PSAM server")
            << "btnReadTwoIdInfoByPsam"
            << "调用KorviCardGetTwoIdInfoByPsamServer成功!" << false << false;
        QTest::newRow("dispatch server")
            << "btnGetTwoIdInfoByMcuServer"
            << "调用KorviCardGetTwoIdInfoByMcuServer成功!" << false << true;
        QTest::newRow("external device")
            << "btnGetTwoIdInfoByExtendIdDevice"
            << "调用KorviCardGetTwoIdInfoByMcuServer成功!" << false << false;
        QTest::newRow("dispatch server with fingerprint")
            << "btnGetTwoIdInfoByMcuServer"
            << "调用KorviCardGetTwoIdInfoByMcuServer成功!" << true << true;
    }
    void ServerReads() {
        QFETCH(QString, button);
        QFETCH(QString, success);
        QFETCH(bool, fingerprint);
        QFETCH(bool, counted);
        IdBench id;
        id.bench.Find<QCheckBox>("chkRequestFingerprint")->setChecked(fingerprint);
        // The external-device button is hidden at start.
        id.bench.Find<QPushButton>(button.toLatin1().constData())->click();
        const QStringList log = id.Log();
        QVERIFY2(log.contains(success), qPrintable(log.join('\n')));
        QVERIFY(log.contains(fingerprint ? "指纹长度:1024" : "指纹长度:0"));
        ExpectFieldsShown(id);
        QCOMPARE(id.Label("lblTwoIdCountInfo"), QStringLiteral("统计结果：成功[1] 失败[0]"));
        QVERIFY(id.bench.Find<QPushButton>(button.toLatin1().constData())->isEnabled());
        // Only the dispatch read names the page's decoder; the others leave it to the
        // driver's default one. Each read shows its photo.
        QVERIFY2(log.contains("调用KorviCardWlDecodeByServer成功!"), qPrintable(log.join('\n')));
        QVERIFY(id.PhotoShown());
        QCOMPARE(id.decoder.Requests(), counted ? 1 : 0);
        QCOMPARE(id.defaultDecoder.Requests(), counted ? 0 : 1);
        if (counted) {
            QVERIFY(id.Label("lblIdCommandCount").startsWith("指令计数："));
            QVERIFY(id.Label("lblIdCommandCount").mid(5).toInt() > 30);
            QVERIFY(!id.bench.window().context().HasReader());
            QVERIFY(id.bench.window().idCard().photoBuffer() == nullptr);
        }
    }

    void FailuresWithIdentityErrorTexts() {
        IdBench id;
        TwoIdServerBox silent(kSilentBox);
        silent.SetHandler(
            [](const TwoIdServerBox::Request&) { return TwoIdServerBox::Answer::Silent(); });

        // No card in the field.
        id.sim.Present(FieldCard::kNone);
        id.bench.Click("btnReadTwoIdInfoByWireless");
        QVERIFY2(id.Log().last().startsWith("调用KorviCardGetTwoIdInfoByWirelessEx失败!错误编码:"),
                 qPrintable(id.Log().join('\n')));
        QVERIFY(id.Log().last().contains("错误描述:"));

        // A server box that never answers.
        id.sim.Present(FieldCard::kTypeB);
        id.bench.ClearLog("mmTwoIdLog");
        id.bench.Find<QComboBox>("cmbSamvServerIp")->setEditText(kSilentBox);
        id.bench.Find<QLineEdit>("edtSamvServerPort")->setText(QString::number(silent.Port()));
        id.bench.Find<QLineEdit>("edtRecvTimeOut")->setText("1");
        id.bench.Click("btnReadTwoIdInfoByPsam");
        QCOMPARE(id.Log().last(),
                 QStringLiteral("调用KorviCardGetTwoIdInfoByPsamServer失败!错误编码:"
                                "40错误描述:查询PSAM状态失败"));

        // A dispatch server that refuses: its text follows.
        ExpectDispatchRefusal(id, "account 99999 refused", "account 99999 refused");
        QCOMPARE(id.Label("lblTwoIdCountInfo"), QStringLiteral("统计结果：成功[0] 失败[3]"));
        QVERIFY(!id.bench.window().context().HasReader());
        QVERIFY(id.bench.window().idCard().photoBuffer() == nullptr);

        // A time-out that is no number ends the read with the exception line.
        id.bench.ClearLog("mmTwoIdLog");
        id.bench.Find<QLineEdit>("edtRecvTimeOut")->setText("x");
        id.bench.Click("btnGetTwoIdInfoByMcuServer");
        QVERIFY(id.Log().last().startsWith("调用KorviCardGetTwoIdInfoByMcuServer异常!"));
        QVERIFY(id.bench.Find<QPushButton>("btnGetTwoIdInfoByMcuServer")->isEnabled());
        QVERIFY(id.bench.window().idCard().photoBuffer() == nullptr);

        // A port that is no number stops before the reader.
        id.bench.window().context().CloseReaderDevice();
        id.bench.ClearLog("mmTwoIdLog");
        id.bench.Find<QLineEdit>("edtSamvServerPort")->setText("10x");
        id.bench.Click("btnReadTwoIdInfoByServer");
        id.bench.Click("btnResetPsam");
        QCOMPARE(id.Log(), (QStringList{"端口不是整形数据类型!", "端口不是整形数据类型!"}));
        QVERIFY(!id.bench.window().context().HasReader());
    }

    void DispatchDiagnostics() {
        IdBench id;
        // An assigned identity server that cannot be reached: one error line.
        DispatchService nowhere("127.0.0.168", "127.0.0.169", 1);
        id.bench.Find<QComboBox>("cmbDispatchServerIp")->setEditText("127.0.0.168");
        id.bench.Click("btnGetTwoIdInfoByMcuServer");
        QCOMPARE(id.Log().last(),
                 QStringLiteral("调用KorviCardGetTwoIdInfoByMcuServer失败!错误编码:"
                                "24错误描述:连接服务器失败"));

        // Any other failure fetches the identity server's last error record.
        id.bench.Find<QComboBox>("cmbDispatchServerIp")->setEditText(kDispatch);
        id.identity.SetBusy(true);
        id.bench.ClearLog("mmTwoIdLog");
        id.bench.Click("btnGetTwoIdInfoByMcuServer");
        QStringList log = id.Log();
        QVERIFY2(log.size() >= 9, qPrintable(log.join('\n')));
        const QStringList last = log.mid(log.size() - 9);
        QCOMPARE(last[0],
                 QStringLiteral("调用KorviCardGetTwoIdInfoByMcuServer失败!错误编码:25错误描述:"
                                "服务器端SAMV繁忙"));
        QCOMPARE(last[1], QStringLiteral("调用KorviCardGetSamvLastErrorInfo成功!"));
        QCOMPARE(last[4], QStringLiteral("SAM数据类型:4外部认证"));
        QCOMPARE(last[8], QStringLiteral("最近两次指令发送间隔:120"));
        QVERIFY(!id.bench.window().context().HasReader());

        // A dispatch server's refusal in Chinese comes as GBK bytes.
        id.identity.SetBusy(false);
        ExpectDispatchRefusal(id, "\xD5\xCB\xBA\xC5\xD2\xD1\xCD\xA3\xD3\xC3", "账号已停用");

        // Without a card no identity server was reached, so none can tell its last error; the
        // driver reports no error code for that, and the line tells no error text.
        id.sim.Present(FieldCard::kNone);
        id.bench.ClearLog("mmTwoIdLog");
        id.bench.Click("btnGetTwoIdInfoByMcuServer");
        log = id.Log();
        QCOMPARE(
            log.mid(log.size() - 2),
            (QStringList{"调用KorviCardGetTwoIdInfoByMcuServer失败!错误编码:2错误描述:寻卡错误",
                         "调用KorviCardGetSamvLastErrorInfo失败!错误编码:0"}));
        QCOMPARE(id.Label("lblTwoIdCountInfo"), QStringLiteral("统计结果：成功[0] 失败[4]"));
    }

    void ModuleSteps() {
        IdBench id;
        id.bench.Click("btnSamvTest");
        QVERIFY(!id.Log().isEmpty());
        QVERIFY2(id.Log().last().startsWith("SAMV返回数据: AA AA AA 96 69"),
                 qPrintable(id.Log().join('\n')));
        id.bench.ClearLog("mmTwoIdLog");
        // The read-card button is hidden at start.
        for (const char* button :
             {"btnSamvPowerOn", "btnResetSamv", "btnSamvSelectCard", "btnSamvLastApdu",
              "btnSamvLastApduResult", "btnGetSamvResult", "btnSamvPowerOff", "btnSamvReadCard"}) {
            id.bench.Find<QPushButton>(button)->click();
        }
        const QStringList log = id.Log();
        QVERIFY2(log.size() == 9, qPrintable(log.join('\n')));
        QCOMPARE(log[0], QStringLiteral("调用KorviCardSetSamvPowerStatus ON成功!"));
        // The module takes the SAM reset with its success status 90.
        QCOMPARE(log[1], QStringLiteral("SAMV返回数据: AA AA AA 96 69 00 04 00 00 90 94"));
        QVERIFY(log[2].startsWith("SAMV返回数据: AA AA AA 96 69"));
        // No APDU went to the card yet.
        QCOMPARE(log[3], QStringLiteral("SAMV LastApdu:"));
        QCOMPARE(log[4], QStringLiteral("SAMV LastApduResult:"));
        QVERIFY(log[5].startsWith("SAMV UART:"));
        QCOMPARE(log[6], QStringLiteral("调用KorviCardSetSamvPowerStatus Off成功!"));
        QVERIFY(log[7].startsWith("SAMV返回数据: AA AA AA 96 69"));
        QVERIFY(log[8].startsWith("SAMV返回数据:"));

        // After a local read they show the module's last read of the card's files (the last
        // 64 bytes of file 6021) and the card's answer to it.
        id.bench.Click("btnReadTwoIdInfo");
        id.bench.ClearLog("mmTwoIdLog");
        id.bench.Click("btnSamvLastApdu");
        id.bench.Click("btnSamvLastApduResult");
        const std::vector<std::uint8_t> lastRead = {0x80, 0xB0, 0x03, 0xC0, 0x40};
        const std::vector<std::uint8_t> answer =
            sim::SampleIdentityTypeBCard()->application()->Process(lastRead).Bytes();
        QCOMPARE(id.Log(), (QStringList{"SAMV LastApdu: 80 B0 03 C0 40",
                                        "SAMV LastApduResult:" +
                                            bench::BytesToHex(answer, answer.size(), true)}));
        QVERIFY(id.Log().last().endsWith(" 90 00"));
    }

    void ServerAdministration() {
        IdBench id;
        id.bench.Click("btnGetSamvManagerMessage");
        id.bench.Click("btnSamvWaitTime");
        id.bench.Click("btnGetSamvLastErrorInfo");
        id.bench.Click("btnGetSamvSendReceiveTimeInfo");
        id.bench.Click("btnResetPsam");
        id.bench.Click("btnGetPsamChallenge");
        id.bench.Click("btnGetTwoIdServerMacAddress");
        id.bench.Click("btnGetTwoIdServerMcuSerialNo");
        QCOMPARE(id.Log(), (QStringList{
                               "调用KorviCardGetSamvManagerMessageByServer成功!",
                               "SAMV编号:03.07-20261210-1234567890-0000000042",
                               "调用KorviCardGetSamvWaitTimeByInterval成功!",
                               "第一间隔:250",
                               "第二间隔:350",
                               "调用KorviCardGetSamvLastErrorInfo成功!",
                               "UART返回值: 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F",
                               "指令: A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB AC AD AE AF",
                               "SAM数据类型:4外部认证",
                               "执行结果:144",
                               "最后接收到的数据包索引:7",
                               QStringLiteral("最后发送给SAMV数据:") +
                                   [] {
                                       QString bytes;
                                       for (int i = 0; i < 96; ++i)
                                           bytes +=
                                               QStringLiteral(" %1")
                                                   .arg((i * 3) & 0xFF, 2, 16, QLatin1Char('0'))
                                                   .toUpper();
                                       return bytes;
                                   }(),
                               "最近两次指令发送间隔:120",
                               "调用KorviCardGetSamvSendReceivTimeInfo成功!",
                               "索引[0]SAMV发送到MCU+100间隔0毫秒",
                               "索引[1]SAMV接收自MCU+130间隔30毫秒",
                               "索引[2]SAMV发送到MCU+190间隔60毫秒",
                               "最大间隔60毫秒，最小间隔30毫秒。",
                               "调用KorviCardResetPsamByServer成功!",
                               "返回值: 3B 6C 00 00 4B 56 50 53 41 4D 30 31",
                               "调用KorviCardPsamCommandByServer成功!",
                               "返回值: 5C 13 E7 02 90 00",
                               "调用KorviCardGetTwoIdServerMacAddress成功!",
                               "返回值:024B56494401",
                               "调用KorviCardGetTwoIdServerMcuSerialNo成功!",
                               "返回值:4B5649440000202612100007",
                           }));
        QVERIFY(id.bench.window().context().HasReader());
    }

    void ApplicationConfiguration() {
        IdBench id;
        id.bench.Click("btnGetAppConfig");
        QCOMPARE(id.Log(),
                 (QStringList{"调用KorviCardGetTwoIdServerAppConfig成功!", "IP地址:127.0.0.9",
                              "子网掩码:255.255.255.0", "网关:127.0.0.1"}));
        QVERIFY(id.bench.Find<QCheckBox>("chkSTM32Iap")->isChecked());
        QCOMPARE(id.bench.Find<QLineEdit>("edtSamvStaticIp")->text(), QStringLiteral("127.0.0.9"));

        // Addresses of exactly four decimal parts, else nothing is sent.
        id.bench.ClearLog("mmTwoIdLog");
        for (const char* bad : {"127.0.0", "127.0.0.1.5", "127.0.0.256", "127.0.0.0x1", "1..2.3"}) {
            id.bench.Find<QLineEdit>("edtSamvStaticIp")->setText(bad);
            id.bench.Click("btnSetAppConfig");
        }
        QCOMPARE(id.Log(), QStringList(5, "Ip不是整形数据类型!"));

        id.bench.ClearLog("mmTwoIdLog");
        id.bench.Find<QLineEdit>("edtSamvStaticIp")->setText("127.0.0.50");
        id.bench.Find<QCheckBox>("chkSTM32Iap")->setChecked(false);
        id.bench.Click("btnSetAppConfig");
        id.bench.Click("btnGetAppConfig");
        QCOMPARE(id.Log().mid(0, 3),
                 (QStringList{"调用KorviCardSetTwoIdServerAppConfig成功!",
                              "调用KorviCardGetTwoIdServerAppConfig成功!", "IP地址:127.0.0.50"}));
        QVERIFY(!id.bench.Find<QCheckBox>("chkSTM32Iap")->isChecked());

        // The password rules, then a password change and its use.
        id.bench.ClearLog("mmTwoIdLog");
        auto* useInitial = id.bench.Find<QCheckBox>("chkUseInitPassWord");
        auto* password = id.bench.Find<QLineEdit>("edtSamvAppPassword");
        auto* fresh = id.bench.Find<QLineEdit>("edtNewAppConfigPassword");
        useInitial->setChecked(false);
        password->setText("  ");
        id.bench.Click("btnClearAppConfig");
        password->setText(QStringLiteral("九个两字节的汉字啊"));
        id.bench.Click("btnClearAppConfig");
        password->setText("wrong");
        id.bench.Click("btnClearAppConfig");
        useInitial->setChecked(true);
        fresh->setText("");
        id.bench.Click("btnChangeAppConfigPassword");
        fresh->setText("s3cret");
        id.bench.Click("btnChangeAppConfigPassword");
        useInitial->setChecked(false);
        password->setText("s3cret");
        id.bench.Click("btnClearAppConfig");
        id.bench.Click("btnPowerOnOtherDevice");
        id.bench.Click("btnSamvLedOnOff");
        id.bench.Click("btnSamvLedOnOff");
        QCOMPARE(id.Log(), (QStringList{
                               "密码不能为空!",
                               "密码不能超过16个字符为空!",
                               "调用KorviCardClearTwoIdServerAppConfig失败!",
                               "新密码不能为空!",
                               "调用KorviCardChangeTwoIdServerAppConfigPassword成功!",
                               "调用KorviCardClearTwoIdServerAppConfig成功!",
                               "调用KorviCardPowerOnOffOtherDevice 状态1成功!",
                               "调用KorviCardLedOnOff 状态1成功!",
                               "调用KorviCardLedOnOff 状态0成功!",
                           }));
    }

    void ExternalDeviceCommand() {
        IdBench id;
        id.sim.PresentTypeBScript("0084000004 => 01 02 03 04 05 06 07 08 90 00\n");
        QVERIFY(id.bench.window().context().OpenReaderDevice(2000));
        const int h = id.bench.window().context().hDevice();
        KorviCardParam card{};
        QVERIFY(KorviCardSetCardType(h, 'B') != 0);
        QVERIFY(KorviCardRequestB(h, 0, &card) != 0);
        QVERIFY(KorviCardSelectB(h, &card) != 0);
        std::uint8_t buffer[64] = {5, 0x00, 0x84, 0x00, 0x00, 0x04};
        QVERIFY2(id.bench.window().idCard().ExternalIdCommand(buffer, sizeof buffer) == 1,
                 qPrintable(id.Log().join('\n')));
        QCOMPARE(buffer[0], 10);
        QCOMPARE(buffer[10], 0x00);
        QCOMPARE(buffer[9], 0x90);
        QCOMPARE(id.Log().first(), QStringLiteral("外部指令：0084000004"));

        // An answer larger than the caller's buffer is refused; the reader stays open.
        std::uint8_t small[8] = {5, 0x00, 0x84, 0x00, 0x00, 0x04};
        QCOMPARE(id.bench.window().idCard().ExternalIdCommand(small, sizeof small), 0);
        QCOMPARE(small[0], 5);
        QVERIFY(id.bench.window().context().HasReader());
        std::uint8_t tooLong[8] = {20};
        QCOMPARE(id.bench.window().idCard().ExternalIdCommand(tooLong, sizeof tooLong), 0);

        // A command the card never answers fails without closing the reader.
        id.sim.Present(FieldCard::kNone);
        std::uint8_t lost[64] = {5, 0x00, 0x84, 0x00, 0x00, 0x04};
        QCOMPARE(id.bench.window().idCard().ExternalIdCommand(lost, sizeof lost), 0);
        QCOMPARE(id.Log().last(), QStringLiteral("调用KorviCardSendCpuCommand失败!"));
        QVERIFY(id.bench.window().context().HasReader());
    }
};

QTEST_MAIN(IdCardPageTest)
#include "id_card_page_test.moc"
