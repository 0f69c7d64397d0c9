package android.telephony;

/**
 * Test stand-in for Android's TelephonyManager. getSimSerialNumber is left out on purpose:
 * the query skips a missing method. The answers are set by the test.
 */
public class TelephonyManager {
    public static String deviceId;
    public static String subscriberId;
    public static String line1Number;
    public static boolean line1Throws;
    public static int calls;

    public String getDeviceId() {
        calls++;
        return deviceId;
    }

    public String getSubscriberId() {
        calls++;
        return subscriberId;
    }

    public String getLine1Number() {
        calls++;
        if (line1Throws) throw new SecurityException("READ_PHONE_STATE not granted");
        return line1Number;
    }
}
