package korvicard.test;

import java.nio.charset.StandardCharsets;

import korvicard.KorviCardAppConfig;
import korvicard.KorviCardDriver;
import korvicard.KorviCardParam;
import korvicard.KorviCardSinopecCardParam;
import korvicard.TwoIdInfoParam;

/**
 * The entry points over TCP against korvicard-sim (a Mifare Classic 1K in the field, the SAMV
 * module with its identity card), one method or more of each pattern.
 */
public final class SimulatedReaderTcpTest {
    private static final KorviCardDriver driver = new KorviCardDriver();

    public static void main(String[] args) {
        String address = System.getProperty("korvicard.sim");
        String host = address.substring(0, address.lastIndexOf(':'));
        int port = Integer.parseInt(address.substring(address.lastIndexOf(':') + 1));
        long handle = driver.OpenDevice(host, port, 0, 0, 2000, false);

        Check.run("L: the simulated reader opens over TCP", () -> {
            Check.that(handle > 0, "handle " + handle);
            Check.equal(0, driver.GetErrorCode(handle), "error code");
        });

        Check.run("D: beep", () -> {
            Check.that(driver.Beep(handle, 20), "beep");
            Check.equal(0, driver.GetErrorCode(handle), "error code");
        });

        Check.run("S: device number and build times", () -> {
            String number = driver.GetDeviceNo(handle);
            Check.that(number.contains("V3-U"), "device number " + number);
            Check.equal(20, driver.GetLibBuildTime(handle).length(), "library build time");
            Check.that(!driver.GetFirewareBuildTime(handle).isEmpty(), "firmware build time");
            Check.equal("LCEC_RECV_TIME_OUT", driver.GetErrorInfo(handle, 3), "error name");
            String mac = driver.GetDeviceMacAddress(handle);
            Check.that(mac.matches("[ 0-9A-F]{12}"), "MAC address text '" + mac + "'");
        });

        Check.run("P: card number, then authentication and a block read", () -> {
            KorviCardParam p = new KorviCardParam();
            Check.that(driver.GetCardNo(handle, 0x52, p), "GetCardNo");
            Check.bytes(Hex.parse("3A5C7E91"), java.util.Arrays.copyOf(p.arrCardNo, 4), "UID");
            p.arrKeys = Hex.parse("FFFFFFFFFFFF");
            Check.that(driver.AuthenticationWithPassword(handle, 0x60, 1, p), "authentication");
            Check.that(driver.Read(handle, 4, p), "read of block 4");
            Check.equal(16, p.nBufferSize, "16 bytes");
        });

        Check.run("U and S: text written and read back, bytes that are not UTF-8 too", () -> {
            KorviCardParam p = new KorviCardParam();
            p.arrKeys = Hex.parse("FFFFFFFFFFFF");
            Check.that(driver.GetCardNo(handle, 0x52, p), "GetCardNo");
            Check.that(driver.AuthenticationWithPassword(handle, 0x60, 2, p), "authentication");
            p.arrBuffer = new byte[64];
            byte[] gbk = Hex.parse("C4E3BAC3CAC0BDE7");  // GBK text, malformed as UTF-8
            System.arraycopy(gbk, 0, p.arrBuffer, 0, gbk.length);
            p.nBufferSize = 16;
            Check.that(driver.Write(handle, 8, p), "write of block 8");
            Check.that(driver.Read(handle, 8, p), "read back");
            Check.bytes(gbk, java.util.Arrays.copyOf(p.arrBuffer, gbk.length), "block 8");
            String text = driver.ReadText(handle, 2);
            Check.bytes(gbk, text.getBytes(StandardCharsets.ISO_8859_1),
                        "undecodable text comes back byte for byte");
            Check.that(driver.WriteText(handle, 2, "KorviCard 你好"), "WriteText");
            Check.equal("KorviCard 你好", driver.ReadText(handle, 2), "UTF-8 text");
        });

        Check.run("T: the identity card through the SAMV module", () -> {
            TwoIdInfoParam t = new TwoIdInfoParam();
            Check.that(driver.GetTwoIdInfo(handle, t), "GetTwoIdInfo");
            String number = new String(t.arrTwoIdNo, StandardCharsets.UTF_16LE);
            Check.that(number.matches("[0-9]{17}[0-9X]"), "identity number " + number);
            Check.that(t.arrTwoIdPhoto[0] != 0 || t.arrTwoIdPhoto[1] != 0, "a photo");
        });

        Check.run("A, V and C: configuration bytes, power status, application config", () -> {
            byte[] config = Hex.filled(12, 0x55);
            Check.that(driver.GetMcuConfig(handle, config), "GetMcuConfig");
            Check.bytes(Hex.filled(4, 0x55), java.util.Arrays.copyOfRange(config, 8, 12),
                        "bytes beyond the 8 of the answer untouched");
            Check.that(!driver.GetMcuConfig(handle, new byte[4]), "the C export wants 8 bytes");
            Check.that(!driver.GetIspOption(handle, new byte[3]), "below the binding's minimum");
            Check.that(driver.GetIspOption(handle, new byte[4]), "GetIspOption");
            Check.that(driver.GetSamvPowerStatus(handle) >= 0, "SAMV power status");
            KorviCardAppConfig c = new KorviCardAppConfig();
            Check.that(driver.GetAppConfig(handle, c), "GetAppConfig");
        });

        Check.run("A: relay states into the caller's arrays, left as they were on failure", () -> {
            Check.that(driver.SetRelayStatus(handle, 2, 1, "1357924680"), "relay 2 high");
            byte[] status = Hex.filled(2, 0x5A);
            Check.that(driver.GetRelayStatus(handle, 2, status), "GetRelayStatus");
            Check.bytes(Hex.parse("015A"), status, "the state in element 0 only");
            status = Hex.filled(2, 0x5A);
            Check.that(!driver.GetRelayStatus(handle, 10, status), "no relay 10");
            Check.bytes(Hex.filled(2, 0x5A), status, "status array as it was");

            byte[] states = Hex.counting(16, 0x01);
            Check.that(driver.SetRelayInitStatus(handle, states, Hex.counting(16, 0x41), 30),
                       "SetRelayInitStatus");
            byte[] statesBack = new byte[16];
            byte[] passwordBack = new byte[16];
            int[] seconds = {-1};
            Check.that(driver.GetRelayInitStatus(handle, statesBack, passwordBack, seconds),
                       "GetRelayInitStatus");
            Check.bytes(states, statesBack, "initial states");
            Check.bytes(Hex.counting(16, 0x41), passwordBack, "password block");
            Check.equal(30, seconds[0], "restore seconds");
        });

        Check.run("B, Q and X: failures come back as their values", () -> {
            Check.equal(0, driver.GetTwoIdServerMacAddress(handle, "127.0.0.1", 1).length,
                        "no identity server: an empty array");
            Check.equal(0, driver.CpuCardReadBinary(handle, 1).length, "no CPU card");
            Check.that(!driver.GetSinopecCardInfo(handle, new KorviCardSinopecCardParam(), "1"),
                       "no fuel card");
            Check.that(!driver.GetPetroChinaCardInfo(handle, new KorviCardSinopecCardParam(), "1"),
                       "stub");
        });

        Check.run("L: closed, the handle answers no more", () -> {
            driver.CloseDevice(handle);
            Check.that(!driver.Beep(handle, 20), "beep after close");
            Check.equal(1, driver.GetErrorCode(handle), "error code of a closed handle");
        });

        Check.finish();
    }
}
