package korvicard.test;

import java.util.Arrays;
import java.util.function.LongPredicate;

import korvicard.KorviCardDriver;
import korvicard.TwoIdInfoParam;

/**
 * The identity card read on a desktop JVM, where no Android class exists, through
 * korvicard-sim's dispatch and identity servers (a type B identity card in the field); and the
 * long port, time-out and value arguments of the server methods, which fail outside the int
 * range instead of wrapping onto a value that works.
 */
public final class DesktopDispatchReadTest {
    private static final KorviCardDriver driver = new KorviCardDriver();
    private static final long WRAPS_TO_ZERO = 1L << 32;
    private static final String BOX_PASSWORD = "KVIdBoxInitPass!";

    /** The identity card as the reader's own SAMV module reads it: the servers' reference. */
    private static TwoIdInfoParam reference;

    private static void checkFilled(TwoIdInfoParam t, String what) {
        Check.bytes(reference.arrTwoIdName, t.arrTwoIdName, what + ": name");
        Check.bytes(reference.arrTwoIdNo, t.arrTwoIdNo, what + ": number");
        Check.that(Arrays.equals(reference.arrTwoIdPhoto, t.arrTwoIdPhoto), what + ": photo");
    }

    /** A read whose record comes back filled when it succeeds, untouched when it fails. */
    private interface Read {
        boolean run(TwoIdInfoParam record);
    }

    private static void checkRead(String what, boolean succeeds, Read read) {
        TwoIdInfoParam t = new TwoIdInfoParam();
        t.arrTwoIdName = Hex.filled(30, 0x55);
        boolean result = read.run(t);
        Check.equal(succeeds, result, what);
        if (succeeds) {
            checkFilled(t, what);
        } else {
            Check.bytes(Hex.filled(30, 0x55), t.arrTwoIdName, what + ": the record untouched");
        }
    }

    public static void main(String[] args) {
        String address = System.getProperty("korvicard.sim");
        String host = address.substring(0, address.lastIndexOf(':'));
        int port = Integer.parseInt(address.substring(address.lastIndexOf(':') + 1));
        String idServer = System.getProperty("korvicard.idServer");
        String idHost = idServer.substring(0, idServer.lastIndexOf(':'));
        long idPort = Long.parseLong(idServer.substring(idServer.lastIndexOf(':') + 1));
        String dispatch = System.getProperty("korvicard.dispatch");
        long handle = driver.OpenDevice(host, port, 0, 0, 2000, false);
        reference = new TwoIdInfoParam();

        Check.run("no Android classes on the class path; the reference record", () -> {
            boolean found;
            try {
                Class.forName("android.content.Context");
                found = true;
            } catch (ClassNotFoundException e) {
                found = false;
            }
            Check.that(!found, "this test runs without the Android stand-ins");
            Check.that(driver.GetTwoIdInfo(handle, reference), "read through the SAMV module");
            Check.that(reference.arrTwoIdNo[0] != 0, "an identity number");
            Check.that(driver.SetCardType(handle, 'B'), "the server reads talk to a type B card");
        });

        Check.run("the dispatch read with no context, or one that is not Android's", () -> {
            for (Object context : new Object[] {null, new Object()}) {
                checkRead("context " + context, true,
                          t -> driver.GetTwoIdInfoByMcuServer(context, 0, handle, dispatch, 1,
                                                              "station-07", t, 11, 22, 5,
                                                              false));
                Check.equal(0, driver.GetTwoIdErrorCode(handle), "code with " + context);
            }
        });

        Check.run("dispatch request values outside 32 bits send nothing", () -> {
            for (long value : new long[] {WRAPS_TO_ZERO + 11, -1, Long.MIN_VALUE}) {
                checkRead("first " + value, false,
                          t -> driver.GetTwoIdInfoByMcuServer(null, 0, handle, dispatch, 1,
                                                              "station-07", t, value, 22, 5,
                                                              false));
                checkRead("second " + value, false,
                          t -> driver.GetTwoIdInfoByMcuServer(null, 0, handle, dispatch, 1,
                                                              "station-07", t, 11, value, 5,
                                                              false));
            }
            checkRead("the largest values", true,
                      t -> driver.GetTwoIdInfoByMcuServer(null, 0, handle, dispatch, 1,
                                                          "station-07", t, 0xFFFFFFFFL,
                                                          0xFFFFFFFFL, 5, false));
        });

        Check.run("identity-server reads: a port or time-out outside int fails", () -> {
            interface ServerRead {
                boolean run(long port, TwoIdInfoParam t, long timeoutSeconds);
            }
            ServerRead[] reads = {
                (p, t, s) -> driver.GetTwoIdInfoByServerEx(handle, idHost, p, t, s),
                (p, t, s) -> driver.GetTwoIdInfoByWireless(handle, idHost, p, t, s),
                (p, t, s) -> driver.GetTwoIdInfoByWirelessEx(handle, idHost, p, t, s),
                (p, t, s) -> driver.GetTwoIdInfoByPsamServer(handle, idHost, p, t, s, 7),
                (p, t, s) -> driver.GetTwoIdInfoByPsamServerEx(handle, idHost, p, t, s,
                                                               Long.MAX_VALUE),
            };
            for (int i = 0; i < reads.length; i++) {
                ServerRead read = reads[i];
                checkRead("read " + i, true, t -> read.run(idPort, t, 5));
                checkRead("read " + i + ", wrapping port", false,
                          t -> read.run(idPort + WRAPS_TO_ZERO, t, 5));
                checkRead("read " + i + ", wrapping time-out", false,
                          t -> read.run(idPort, t, WRAPS_TO_ZERO + 5));
            }
        });

        Check.run("identity-server box commands: a port or value outside int fails", () -> {
            LongPredicate mac = p -> driver.GetTwoIdServerMacAddress(handle, idHost, p).length == 6;
            LongPredicate serial =
                p -> driver.GetTwoIdServerMcuSerialNo(handle, idHost, p).length == 12;
            LongPredicate message =
                p -> !driver.GetSamvManagerMessageByServer(handle, idHost, p).isEmpty();
            LongPredicate power =
                p -> driver.PowerOnOffOtherDevice(handle, idHost, p, 1, BOX_PASSWORD) == 1;
            LongPredicate[] commands = {mac, serial, message, power};
            for (int i = 0; i < commands.length; i++) {
                Check.that(commands[i].test(idPort), "command " + i);
                Check.that(!commands[i].test(idPort + WRAPS_TO_ZERO), "command " + i + " wraps");
                Check.that(!commands[i].test(Long.MIN_VALUE + idPort), "command " + i + " low");
            }
            Check.equal(-1, driver.PowerOnOffOtherDevice(handle, idHost, idPort,
                                                         WRAPS_TO_ZERO + 1, BOX_PASSWORD),
                        "a value that would wrap to 1");
        });

        driver.CloseDevice(handle);
        Check.finish();
    }
}
