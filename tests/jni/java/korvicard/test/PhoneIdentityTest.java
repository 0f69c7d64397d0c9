package korvicard.test;

import android.content.Context;
import android.telephony.TelephonyManager;
import korvicard.KorviCardDriver;
import korvicard.TwoIdInfoParam;

/**
 * The phone identity of GetTwoIdInfoByMcuServer through stand-ins of Android's Context and
 * TelephonyManager, and the photo buffer of the same read.
 */
public final class PhoneIdentityTest {
    private static final KorviCardDriver driver = new KorviCardDriver();
    private static final int EMPTY_ACCOUNT = 68;
    private static final int PHOTO_BMP_SIZE = 38862;

    private static final class FakeContext extends Context {
        final Object service;
        final boolean fail;

        FakeContext(Object service, boolean fail) {
            this.service = service;
            this.fail = fail;
        }

        @Override
        public Object getSystemService(String name) {
            if (fail) throw new IllegalStateException("no services");
            return TELEPHONY_SERVICE.equals(name) ? service : null;
        }
    }

    /** The MCU-server read up to the account check: an empty account stops it with 68. */
    private static boolean read(long handle, Object context) {
        return driver.GetTwoIdInfoByMcuServer(context, 0, handle, "127.0.0.1", 1, "",
                                              new TwoIdInfoParam(), 0, 0, 1, false);
    }

    public static void main(String[] args) {
        long handle = driver.OpenDevice(null, 0, 0, 0, 100, true);

        Check.run("no context, or one without a phone identity: the read goes on", () -> {
            Object[] contexts = {null, "not a context", new FakeContext(null, false),
                                 new FakeContext("a string", false)};
            for (Object context : contexts) {
                Check.that(!read(handle, context), "read with " + context);
                Check.equal(EMPTY_ACCOUNT, driver.GetTwoIdErrorCode(handle),
                            "the dispatch flow ran to its account check with " + context);
            }
        });

        Check.run("getSystemService throws: the exception is cleared, the read goes on", () -> {
            Check.that(!read(handle, new FakeContext(null, true)), "read");
            Check.equal(EMPTY_ACCOUNT, driver.GetTwoIdErrorCode(handle), "code");
            Check.that(driver.Halt(0) == false, "the next native call runs normally");
        });

        Check.run("long identifiers, a null one, one that throws and a missing method", () -> {
            TelephonyManager.deviceId = "8".repeat(1000);
            TelephonyManager.subscriberId = null;
            TelephonyManager.line1Number = "+861390000000012345678901234567890";
            TelephonyManager.line1Throws = true;
            TelephonyManager.calls = 0;
            Check.that(!read(handle, new FakeContext(new TelephonyManager(), false)), "read");
            Check.equal(3, TelephonyManager.calls, "the three methods that exist were asked");
            Check.equal(EMPTY_ACCOUNT, driver.GetTwoIdErrorCode(handle),
                        "the identity was read and the dispatch flow ran to its account check");
            TelephonyManager.line1Throws = false;
            Check.that(!read(handle, new FakeContext(new TelephonyManager(), false)), "read");
            Check.equal(EMPTY_ACCOUNT, driver.GetTwoIdErrorCode(handle), "code");
        });

        Check.run("the photo buffer: registered by the read, allocated zeroed, freed once taken", () -> {
            byte[] bitmap = Hex.filled(PHOTO_BMP_SIZE, 0x55);
            Check.that(!driver.SetIdPhotoAddress(handle, new byte[PHOTO_BMP_SIZE - 1], true),
                       "a short array is refused");
            Check.that(driver.SetIdPhotoAddress(handle, new byte[PHOTO_BMP_SIZE], true),
                       "a full-size array");
            Check.that(driver.SetIdPhotoAddress(handle, true), "the flag form");
            Check.that(!driver.GetIdPhotoBmpBuffer(handle, new byte[100]), "short array");
            read(handle, new FakeContext(new TelephonyManager(), false));
            Check.that(driver.GetIdPhotoBmpBuffer(handle, bitmap), "take the buffer");
            Check.bytes(new byte[PHOTO_BMP_SIZE], bitmap, "a zeroed buffer");
            byte[] again = Hex.filled(PHOTO_BMP_SIZE, 0x55);
            Check.that(driver.GetIdPhotoBmpBuffer(handle, again), "no buffer any more");
            Check.bytes(Hex.filled(PHOTO_BMP_SIZE, 0x55), again, "the array as it was");
        });

        Check.run("CloseDevice with handle 0 still frees the photo buffer", () -> {
            // The same read both times: its zeroed buffer is copied out unless CloseDevice(0)
            // comes between, which leaves no buffer and the array as it was.
            for (boolean close : new boolean[] {false, true}) {
                String what = close ? "after CloseDevice(0)" : "without CloseDevice";
                Check.that(driver.SetIdPhotoAddress(handle, true), what + ": photo enabled");
                read(handle, null);
                if (close) driver.CloseDevice(0);
                byte[] bitmap = Hex.filled(PHOTO_BMP_SIZE, 0x55);
                Check.that(driver.GetIdPhotoBmpBuffer(handle, bitmap),
                           what + ": take the buffer");
                byte[] expected =
                    close ? Hex.filled(PHOTO_BMP_SIZE, 0x55) : new byte[PHOTO_BMP_SIZE];
                Check.bytes(expected, bitmap, what + (close ? ": no buffer was left to copy"
                                                            : ": the read's zeroed buffer"));
            }
            Check.equal(EMPTY_ACCOUNT, driver.GetTwoIdErrorCode(handle),
                        "the open reader is left open");
        });

        Check.run("closed and invalid handles reach no session", () -> {
            long closed = driver.OpenDevice(null, 0, 0, 0, 100, true);
            driver.CloseDevice(closed);
            Context context = new FakeContext(new TelephonyManager(), false);
            for (long h : new long[] {0, -1, closed, Long.MAX_VALUE, handle + (1L << 32)}) {
                Check.that(!driver.GetTwoIdInfoByMcuServer(context, 0, h, "127.0.0.1", 1, "x",
                                                           new TwoIdInfoParam(), 0, 0, 1, true),
                           "handle " + h);
            }
        });

        driver.CloseDevice(handle);
        Check.finish();
    }
}
