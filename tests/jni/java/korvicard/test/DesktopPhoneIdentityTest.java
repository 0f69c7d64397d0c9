package korvicard.test;

import korvicard.KorviCardDriver;
import korvicard.TwoIdInfoParam;

/** The phone identity on a desktop JVM, where no Android class exists. */
public final class DesktopPhoneIdentityTest {
    public static void main(String[] args) {
        KorviCardDriver driver = new KorviCardDriver();
        long handle = driver.OpenDevice(null, 0, 0, 0, 100, true);

        Check.run("no Android classes on the class path", () -> {
            boolean found;
            try {
                Class.forName("android.content.Context");
                found = true;
            } catch (ClassNotFoundException e) {
                found = false;
            }
            Check.that(!found, "this test runs without the Android stand-ins");
        });

        Check.run("an object as context: the phone-state code, no pending exception", () -> {
            Check.that(!driver.GetTwoIdInfoByMcuServer(new Object(), 0, handle, "127.0.0.1", 1,
                                                       "10000", new TwoIdInfoParam(), 0, 0, 1,
                                                       false),
                       "read");
            Check.equal(49, driver.GetTwoIdErrorCode(handle), "code");
            Check.equal(0, driver.GetErrorCode(handle), "the reader code untouched");
        });

        Check.run("no context: its code", () -> {
            Check.that(!driver.GetTwoIdInfoByMcuServer(null, 0, handle, "127.0.0.1", 1, "10000",
                                                       new TwoIdInfoParam(), 0, 0, 1, false),
                       "read");
            Check.equal(51, driver.GetTwoIdErrorCode(handle), "code");
        });

        driver.CloseDevice(handle);
        Check.finish();
    }
}
