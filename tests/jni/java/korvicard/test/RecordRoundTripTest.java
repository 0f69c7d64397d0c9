package korvicard.test;

import korvicard.KorviCardAppConfig;
import korvicard.KorviCardDriver;
import korvicard.KorviCardParam;
import korvicard.KorviCardSinopecCardParam;
import korvicard.KorviCardSinopecRecordParam;
import korvicard.TwoIdInfoParam;

/**
 * Records through the converters of each pattern with handle 0, where the C export touches
 * nothing: every field comes back from its own C place (P, T, C), and the fuel card's records
 * come back as the C block holds them, zero (Q: only the summary goes in).
 */
public final class RecordRoundTripTest {
    private static final KorviCardDriver driver = new KorviCardDriver();

    public static void main(String[] args) {
        Check.run("P: every field of KorviCardParam comes back to itself", () -> {
            KorviCardParam p = new KorviCardParam();
            p.nCardType = 0x01020304;
            p.arrCardNo = Hex.counting(8, 0x10);
            p.nCardSize = -5;
            p.arrBuffer = Hex.counting(64, 0x20);
            p.nBufferSize = 64;
            p.arrKeys = Hex.counting(64, 0x60);
            p.nKeysSize = 6;
            p.arrCosResultBuffer = Hex.counting(256, 0xA0);
            p.unCosReultBufferLength = 0x80000001;
            p.arrCosSendBuffer = Hex.counting(256, 0x05);
            p.unCosSendBufferLength = 300;
            Check.that(!driver.SendCOSCommand(0, p), "no reader");
            Check.equal(0x01020304, p.nCardType, "nCardType");
            Check.bytes(Hex.counting(8, 0x10), p.arrCardNo, "arrCardNo");
            Check.equal(-5, p.nCardSize, "nCardSize");
            Check.bytes(Hex.counting(64, 0x20), p.arrBuffer, "arrBuffer");
            Check.equal(64, p.nBufferSize, "nBufferSize");
            Check.bytes(Hex.counting(64, 0x60), p.arrKeys, "arrKeys");
            Check.equal(6, p.nKeysSize, "nKeysSize");
            Check.bytes(Hex.counting(256, 0xA0), p.arrCosResultBuffer, "arrCosResultBuffer");
            Check.equal(0x80000001, p.unCosReultBufferLength, "unCosReultBufferLength");
            Check.bytes(Hex.counting(256, 0x05), p.arrCosSendBuffer,
                        "arrCosSendBuffer gets the C command buffer back");
            Check.equal(300, p.unCosSendBufferLength, "unCosSendBufferLength");
        });

        Check.run("P: a COS command array longer than 256 bytes: only 256 travel", () -> {
            KorviCardParam p = new KorviCardParam();
            p.arrCosSendBuffer = Hex.filled(400, 0x77);
            p.arrCardNo = new byte[4];
            Check.that(!driver.GetCardNo(-1, 0x26, p), "no reader");
            Check.equal(400, p.arrCosSendBuffer.length, "the Java array keeps its length");
            Check.bytes(Hex.filled(400, 0x77), p.arrCosSendBuffer, "contents");
            Check.equal(4, p.arrCardNo.length, "a short arrCardNo keeps its length");
        });

        Check.run("T: every field of TwoIdInfoParam comes back to itself", () -> {
            TwoIdInfoParam t = new TwoIdInfoParam();
            t.arrTwoIdName = Hex.counting(30, 1);
            t.arrTwoIdSex = Hex.counting(2, 40);
            t.arrTwoIdNation = Hex.counting(4, 50);
            t.arrTwoIdBirthday = Hex.counting(16, 60);
            t.arrTwoIdAddress = Hex.counting(70, 80);
            t.arrTwoIdNo = Hex.counting(36, 160);
            t.arrTwoIdSignedDepartment = Hex.counting(30, 200);
            t.arrTwoIdValidityPeriodBegin = Hex.counting(16, 230);
            t.arrTwoIdValidityPeriodEnd = Hex.counting(16, 250);
            t.arrTwoIdNewAddress = Hex.counting(70, 3);
            t.arrTwoIdPhoto = Hex.counting(1024, 7);
            t.arrTwoIdFingerprint = Hex.counting(1024, 9);
            t.arrTwoIdPhotoJpeg = Hex.counting(8192, 11);
            t.unTwoIdPhotoJpegLength = 4096;
            Check.that(!driver.GetTwoIdInfo(0, t), "no reader");
            Check.bytes(Hex.counting(30, 1), t.arrTwoIdName, "name");
            Check.bytes(Hex.counting(2, 40), t.arrTwoIdSex, "sex");
            Check.bytes(Hex.counting(4, 50), t.arrTwoIdNation, "nation");
            Check.bytes(Hex.counting(16, 60), t.arrTwoIdBirthday, "birthday");
            Check.bytes(Hex.counting(70, 80), t.arrTwoIdAddress, "address");
            Check.bytes(Hex.counting(36, 160), t.arrTwoIdNo, "number");
            Check.bytes(Hex.counting(30, 200), t.arrTwoIdSignedDepartment, "department");
            Check.bytes(Hex.counting(16, 230), t.arrTwoIdValidityPeriodBegin, "begin");
            Check.bytes(Hex.counting(16, 250), t.arrTwoIdValidityPeriodEnd, "end");
            Check.bytes(Hex.counting(70, 3), t.arrTwoIdNewAddress, "new address");
            Check.bytes(Hex.counting(1024, 7), t.arrTwoIdPhoto, "photo");
            Check.bytes(Hex.counting(1024, 9), t.arrTwoIdFingerprint, "fingerprint");
            Check.bytes(Hex.counting(8192, 11), t.arrTwoIdPhotoJpeg,
                        "an 8,192-byte JPEG array: 4,096 bytes travel, the rest untouched");
            Check.equal(4096, t.unTwoIdPhotoJpegLength, "JPEG length");
        });

        Check.run("C: every field of KorviCardAppConfig comes back to itself", () -> {
            KorviCardAppConfig c = new KorviCardAppConfig();
            c.arrIapSwitch = Hex.counting(4, 1);
            c.arrLocalIpAddress = Hex.counting(4, 11);
            c.arrLocalNetMaskAddress = Hex.counting(4, 21);
            c.arrLocalGatewayAddress = Hex.counting(4, 31);
            c.arrPassWord = Hex.counting(16, 41);
            c.arrSeverIpAddress = Hex.counting(4, 61);
            c.unSeverPort = 1;
            c.unDispatchPostCode = 2;
            c.unDispatchLineType = 3;
            c.unDispatchAccount = -4;
            c.arrDispatchPassword = Hex.counting(32, 71);
            c.arrDispatchUrl = Hex.counting(32, 111);
            c.arrDnsAddress = Hex.counting(4, 151);
            Check.that(!driver.GetAppConfig(0, c), "no reader");
            Check.bytes(Hex.counting(4, 1), c.arrIapSwitch, "switch");
            Check.bytes(Hex.counting(4, 11), c.arrLocalIpAddress, "local address");
            Check.bytes(Hex.counting(4, 21), c.arrLocalNetMaskAddress, "mask");
            Check.bytes(Hex.counting(4, 31), c.arrLocalGatewayAddress, "gateway");
            Check.bytes(Hex.counting(16, 41), c.arrPassWord, "password");
            Check.bytes(Hex.counting(4, 61), c.arrSeverIpAddress, "server");
            Check.equal(1, c.unSeverPort, "port");
            Check.equal(2, c.unDispatchPostCode, "post code");
            Check.equal(3, c.unDispatchLineType, "line type");
            Check.equal(-4, c.unDispatchAccount, "account");
            Check.bytes(Hex.counting(32, 71), c.arrDispatchPassword, "dispatch password");
            Check.bytes(Hex.counting(32, 111), c.arrDispatchUrl, "dispatch URL");
            Check.bytes(Hex.counting(4, 151), c.arrDnsAddress, "DNS");
        });

        Check.run("Q: the summary comes back, the records as the C block holds them", () -> {
            KorviCardSinopecCardParam q = new KorviCardSinopecCardParam();
            Check.equal(16, q.arrSinopecRecord.length, "16 record slots");
            q.arrCardNo = Hex.counting(16, 1);
            q.arrSignedDate = Hex.counting(4, 20);
            q.arrValidityEndDate = Hex.counting(4, 30);
            q.nCardBalance = 123456;
            q.nPinFalseCount = 2;
            KorviCardSinopecRecordParam[] records = new KorviCardSinopecRecordParam[20];
            for (int i = 0; i < records.length; i++) {
                records[i] = new KorviCardSinopecRecordParam();
                records[i].arrEtNo = Hex.filled(2, 0x5A);
                records[i].ucTradeType = 9;
            }
            records[3] = null;
            q.arrSinopecRecord = records;
            Check.that(!driver.GetSinopecCardInfo(0, q, "123456"), "no reader");
            Check.bytes(Hex.counting(16, 1), q.arrCardNo, "card number");
            Check.bytes(Hex.counting(4, 20), q.arrSignedDate, "issue date");
            Check.bytes(Hex.counting(4, 30), q.arrValidityEndDate, "end date");
            Check.equal(123456, q.nCardBalance, "balance");
            Check.equal(2, q.nPinFalseCount, "PIN tries");
            for (int i = 0; i < 16; i++) {
                if (i == 3) continue;
                Check.bytes(new byte[2], records[i].arrEtNo, "record " + i + " from the C block");
                Check.equal(0, records[i].ucTradeType, "record " + i + " trade type");
            }
            Check.that(records[3] == null, "a null element is skipped");
            for (int i = 16; i < 20; i++) {
                Check.bytes(Hex.filled(2, 0x5A), records[i].arrEtNo, "record " + i + " untouched");
                Check.equal(9, records[i].ucTradeType, "record " + i + " trade type untouched");
            }
            q.arrSinopecRecord = null;
            Check.that(!driver.GetSinopecCardInfo(0, q, null), "a null record array");
        });

        Check.run("null records and null fields are skipped", () -> {
            Check.that(!driver.Read(0, 1, null), "null KorviCardParam");
            Check.that(!driver.GetTwoIdInfo(0, null), "null TwoIdInfoParam");
            Check.that(!driver.SetAppConfig(0, null), "null KorviCardAppConfig");
            Check.that(!driver.GetSinopecCardInfo(0, null, "1"), "null fuel card");
            TwoIdInfoParam t = new TwoIdInfoParam();
            t.arrTwoIdName = null;
            t.arrTwoIdPhotoJpeg = new byte[0];
            Check.that(!driver.GetTwoIdInfo(0, t), "null and empty arrays");
            Check.that(t.arrTwoIdName == null, "a null field stays null");
        });

        Check.run("utilities without a reader: random identifier, DES", () -> {
            byte[] shortArray = Hex.filled(4, 0x55);
            Check.equal(4, driver.GetIdRandom(shortArray), "a 4-byte array gives its length");
            Check.bytes(Hex.filled(4, 0x55), shortArray, "and stays as it was");
            byte[] id = new byte[16];
            driver.GetIdRandom(id);
            Check.that(new String(id, java.nio.charset.StandardCharsets.US_ASCII)
                           .matches("[0-9a-f]{16}"),
                       "16 hex characters: " + Hex.of(id));
            Check.equal("85E813540F0AB405",
                        driver.CalcDes("0123456789ABCDEF", "133457799BBCDFF1", false), "DES");
            Check.equal("0123456789ABCDEF",
                        driver.CalcDes("85E813540F0AB405", "133457799BBCDFF1", true), "decrypt");
            Check.equal("", driver.CalcDes("0123456789ABCDEF", "1334577", false), "short key");
            Check.equal("", driver.Calc3Des(null, null, false), "null texts");
        });

        Check.finish();
    }
}
