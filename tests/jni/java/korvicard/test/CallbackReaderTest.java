package korvicard.test;

import korvicard.KorviCardAppConfig;
import korvicard.KorviCardDriver;
import korvicard.KorviCardParam;

/**
 * Sessions whose frames travel through KorviCardDriver.callBackProcess to a reader written in
 * Java (JavaReader): commands end to end, the records they fill, the callback's failures, and
 * Java arrays shorter and longer than the C fields.
 */
public final class CallbackReaderTest {
    private static final KorviCardDriver driver = new KorviCardDriver();

    private static JavaReader reader;
    private static long handle;

    private static void open() {
        reader = new JavaReader(JavaReader.replyMaskFromBuild());
        KorviCardDriver.setTransport(reader);
        handle = driver.OpenDevice("ignored", 0, 0, 0, 500, true);
    }

    private static void close() {
        driver.CloseDevice(handle);
        KorviCardDriver.setTransport(null);
    }

    public static void main(String[] args) {
        Check.run("open with the callback touches no device", () -> {
            open();
            Check.that(handle > 0, "a callback open gives a handle");
            Check.equal(0, reader.requests.size(), "frames before any command");
            close();
        });

        Check.run("beep travels as a frame through callBackProcess on the calling thread", () -> {
            open();
            Check.that(driver.Beep(handle, 300), "beep");
            Check.equal(0, driver.GetErrorCode(handle), "error code after the beep");
            JavaReader.Request r = reader.last();
            Check.equal(JavaReader.CMD_BEEP, r.command, "command");
            Check.bytes(new byte[] {0x2C, 0x01}, r.payload, "beep time, low byte first");
            Check.equal(handle, reader.lastHandle, "the callback gets the handle");
            for (Thread t : reader.threads) {
                Check.that(t == Thread.currentThread(), "a piece ran on another thread");
            }
            for (int size : reader.pieceSizes) Check.equal(256, size, "piece array length");
            close();
        });

        Check.run("a callback reader serves another Java thread as well", () -> {
            open();
            final boolean[] ok = new boolean[1];
            Thread worker = new Thread(() -> ok[0] = driver.Beep(handle, 10));
            worker.start();
            worker.join();
            Check.that(ok[0], "beep from a second thread");
            Check.that(reader.threads.get(reader.threads.size() - 1) == worker,
                       "the piece ran on the calling thread");
            close();
        });

        Check.run("card number: request, anticollision, select into the record", () -> {
            open();
            KorviCardParam p = new KorviCardParam();
            Check.that(driver.GetCardNo(handle, 0x52, p), "GetCardNo");
            Check.equal(4, p.nCardType, "card type from the request answer");
            Check.bytes(Hex.parse("3A5C7E9100000000"), p.arrCardNo, "UID");
            Check.equal(8, p.nCardSize, "SAK in the low byte of nCardSize");
            Check.equal(3, reader.requests.size(), "three frames");
            Check.bytes(new byte[] {0x52}, reader.requests.get(0).payload, "request mode");
            Check.bytes(Hex.parse("3A5C7E91"), reader.requests.get(2).payload, "select UID");
            close();
        });

        Check.run("Mifare read: authentication with the record's keys, then the block", () -> {
            open();
            KorviCardParam p = new KorviCardParam();
            p.arrKeys = Hex.parse("FFFFFFFFFFFF");
            Check.that(driver.AuthenticationWithPassword(handle, 0x60, 1, p), "authentication");
            Check.bytes(Hex.parse("6001FFFFFFFFFFFF"), reader.last().payload,
                        "key mode, sector and the six key bytes");
            Check.that(driver.Read(handle, 5, p), "read of block 5");
            Check.bytes(reader.blocks[5], java.util.Arrays.copyOf(p.arrBuffer, 16), "block data");
            Check.equal(16, p.nBufferSize, "nBufferSize");
            Check.equal(64, p.arrBuffer.length, "the Java array keeps its length");
            close();
        });

        Check.run("Mifare write sends nBufferSize bytes of arrBuffer", () -> {
            open();
            KorviCardParam p = new KorviCardParam();
            p.arrBuffer = Hex.counting(64, 0xA0);
            p.nBufferSize = 16;
            Check.that(driver.Write(handle, 9, p), "write");
            Check.bytes(Hex.counting(16, 0xA0), reader.blocks[9], "block 9 holds the data");
            close();
        });

        Check.run("Java arrays shorter and longer than the C fields", () -> {
            open();
            KorviCardParam p = new KorviCardParam();
            p.arrCardNo = new byte[2];
            p.arrBuffer = Hex.filled(100, 0x55);
            Check.that(driver.GetCardNo(handle, 0x26, p), "GetCardNo with a 2-byte arrCardNo");
            Check.bytes(Hex.parse("3A5C"), p.arrCardNo, "only the first 2 UID bytes");
            Check.that(driver.Read(handle, 2, p), "read into a 100-byte arrBuffer");
            Check.equal(100, p.arrBuffer.length, "the long array keeps its length");
            Check.bytes(reader.blocks[2], java.util.Arrays.copyOf(p.arrBuffer, 16), "block data");
            Check.bytes(Hex.filled(84, 0x55), java.util.Arrays.copyOfRange(p.arrBuffer, 16, 100),
                        "the rest of the array as it was");
            p.arrBuffer = new byte[8];
            Check.that(driver.Read(handle, 3, p), "read into an 8-byte arrBuffer");
            Check.bytes(java.util.Arrays.copyOf(reader.blocks[3], 8), p.arrBuffer,
                        "the first 8 block bytes");
            p.arrKeys = new byte[3];
            p.arrKeys[0] = 0x11;
            Check.that(driver.AuthenticationWithPassword(handle, 0x60, 0, p), "short key array");
            Check.bytes(Hex.parse("6000110000000000"), reader.last().payload,
                        "the 3 key bytes and zeros");
            p.arrKeys = null;
            p.arrCardNo = null;
            Check.that(driver.Read(handle, 4, p), "null arrays are skipped");
            close();
        });

        Check.run("application config both ways through the reader", () -> {
            open();
            KorviCardAppConfig c = new KorviCardAppConfig();
            c.arrIapSwitch = Hex.parse("01020304");
            c.arrLocalIpAddress = Hex.parse("C0A80164");
            c.arrLocalNetMaskAddress = Hex.parse("FFFFFF00");
            c.arrLocalGatewayAddress = Hex.parse("C0A80101");
            c.arrPassWord = Hex.counting(16, 0x30);
            c.arrSeverIpAddress = Hex.parse("0A000001");
            c.unSeverPort = 0x11223344;
            c.unDispatchPostCode = 0x55667788;
            c.unDispatchLineType = 2;
            c.unDispatchAccount = 0x7FFFFFFF;
            c.arrDispatchPassword = Hex.counting(32, 0x40);
            c.arrDispatchUrl = Hex.counting(32, 0x60);
            c.arrDnsAddress = Hex.parse("08080808");
            Check.that(driver.SetAppConfig(handle, c), "SetAppConfig");
            byte[] sent = reader.last().payload;
            Check.equal(120, sent.length, "a 120-byte config");
            Check.bytes(Hex.parse("01020304C0A80164FFFFFF00C0A80101"),
                        java.util.Arrays.copyOf(sent, 16), "switch and addresses at 0..15");
            Check.bytes(Hex.counting(16, 0x30), java.util.Arrays.copyOfRange(sent, 16, 32),
                        "password at 16");
            Check.bytes(Hex.parse("0A000001" + "44332211" + "88776655" + "02000000" + "FFFFFF7F"),
                        java.util.Arrays.copyOfRange(sent, 32, 52), "server and numbers at 32");
            Check.bytes(Hex.counting(32, 0x40), java.util.Arrays.copyOfRange(sent, 52, 84),
                        "dispatch password at 52");
            Check.bytes(Hex.counting(32, 0x60), java.util.Arrays.copyOfRange(sent, 84, 116),
                        "dispatch URL at 84");
            Check.bytes(Hex.parse("08080808"), java.util.Arrays.copyOfRange(sent, 116, 120),
                        "DNS at 116");

            reader.appConfig = Hex.counting(120, 0x80);
            KorviCardAppConfig back = new KorviCardAppConfig();
            back.arrPassWord = new byte[4];
            Check.that(driver.GetAppConfig(handle, back), "GetAppConfig");
            Check.bytes(Hex.counting(4, 0x80), back.arrIapSwitch, "switch bytes");
            Check.bytes(Hex.counting(4, 0x90), back.arrPassWord, "a short password array");
            Check.equal(0xA7A6A5A4, back.unSeverPort, "port from offset 36");
            Check.equal(0xB3B2B1B0, back.unDispatchAccount, "account from offset 48");
            Check.bytes(Hex.counting(4, 0xF4), back.arrDnsAddress, "DNS from offset 116");
            close();
        });

        Check.run("relay reads the reader refuses leave the caller's arrays as they were", () -> {
            open();
            byte[] status = Hex.filled(2, 0x5A);
            Check.that(!driver.GetRelayStatus(handle, 1, status), "GetRelayStatus fails");
            Check.bytes(Hex.filled(2, 0x5A), status, "status array");
            byte[] states = Hex.filled(16, 0x11);
            byte[] password = Hex.filled(16, 0x22);
            int[] seconds = {77};
            Check.that(!driver.GetRelayInitStatus(handle, states, password, seconds),
                       "GetRelayInitStatus fails");
            Check.bytes(Hex.filled(16, 0x11), states, "state array");
            Check.bytes(Hex.filled(16, 0x22), password, "password array");
            Check.equal(77, seconds[0], "seconds");
            Check.equal(2, reader.requests.size(), "both requests reached the reader");
            close();
        });

        Check.run("a read callback that returns false gives reader error 3", () -> {
            open();
            reader.fault = JavaReader.Fault.READ_FALSE;
            Check.that(!driver.Beep(handle, 1), "beep fails");
            Check.equal(3, driver.GetErrorCode(handle), "reader error");
            close();
        });

        Check.run("a read callback that throws gives reader error 3, the exception cleared", () -> {
            open();
            reader.fault = JavaReader.Fault.READ_THROWS;
            KorviCardParam p = new KorviCardParam();
            Check.that(!driver.Read(handle, 1, p), "read fails");
            Check.equal(3, driver.GetErrorCode(handle), "reader error");
            reader.fault = JavaReader.Fault.NONE;
            Check.that(driver.Beep(handle, 1), "the next command works");
            close();
        });

        Check.run("a write callback that fails or throws fails the call with a nonzero code", () -> {
            open();
            reader.fault = JavaReader.Fault.WRITE_FALSE;
            Check.that(!driver.Beep(handle, 1), "beep fails when the write returns false");
            Check.that(driver.GetErrorCode(handle) != 0, "nonzero code");
            reader.fault = JavaReader.Fault.WRITE_THROWS;
            Check.that(!driver.Halt(handle), "halt fails when the write throws");
            Check.that(driver.GetErrorCode(handle) != 0, "nonzero code");
            reader.fault = JavaReader.Fault.NONE;
            Check.that(driver.Beep(handle, 1), "the next command works");
            close();
        });

        Check.run("a handle beyond 32 bits never reaches the reader", () -> {
            open();
            Check.that(!driver.Beep(handle + (1L << 32), 1), "aliased handle");
            Check.equal(0, reader.requests.size(), "no frame");
            close();
            Check.that(!driver.Beep(handle, 1), "closed handle");
        });

        Check.finish();
    }
}
