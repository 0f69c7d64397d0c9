package korvicard.test;

import java.util.Arrays;

import korvicard.KorviCardDriver;
import korvicard.TwoIdInfoParam;

/**
 * The identity card read on a desktop JVM, where no Android class exists, through
 * korvicard-sim's dispatch and identity servers (a type B identity card in the field).
 */
public final class DesktopDispatchReadTest {
    private static final KorviCardDriver driver = new KorviCardDriver();

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

        driver.CloseDevice(handle);
        Check.finish();
    }
}
