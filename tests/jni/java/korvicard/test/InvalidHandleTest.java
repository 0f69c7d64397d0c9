package korvicard.test;

import java.lang.reflect.Method;
import java.lang.reflect.Modifier;
import java.util.Map;
import java.util.Set;

import korvicard.KorviCardAppConfig;
import korvicard.KorviCardDriver;
import korvicard.KorviCardParam;
import korvicard.KorviCardSinopecCardParam;
import korvicard.TwoIdInfoParam;

/**
 * Every native method that takes a handle, called with 0, -1, a closed handle and handles
 * outside the 32-bit range: each gives its failure value and reaches no reader.
 */
public final class InvalidHandleTest {
    /** Integer results whose failure value is not 0. */
    private static final Map<String, Integer> INT_FAILURE = Map.of(
        "GetErrorCode", 1, "GetTwoIdErrorCode", 1, "GetSamvPowerStatus", -1,
        "PowerOnOffOtherDevice", -1);
    /** The photo methods keep process-wide flags and do not look at the handle. */
    private static final Set<String> HANDLE_FREE = Set.of("SetIdPhotoAddress", "GetIdPhotoBmpBuffer");

    private static Object argument(Class<?> type, long handle, boolean handleTaken) {
        if (type == long.class) return handleTaken ? 0L : handle;
        if (type == int.class) return 1;
        if (type == boolean.class) return true;
        if (type == String.class) return "127.0.0.1";
        if (type == byte[].class) return new byte[40000];
        if (type == int[].class) return new int[1];
        if (type == KorviCardParam.class) return new KorviCardParam();
        if (type == TwoIdInfoParam.class) return new TwoIdInfoParam();
        if (type == KorviCardAppConfig.class) return new KorviCardAppConfig();
        if (type == KorviCardSinopecCardParam.class) return new KorviCardSinopecCardParam();
        return null;  // the Android context
    }

    public static void main(String[] args) {
        KorviCardDriver driver = new KorviCardDriver();
        JavaReader reader = new JavaReader(JavaReader.replyMaskFromBuild());
        KorviCardDriver.setTransport(reader);
        long open = driver.OpenDevice(null, 0, 0, 0, 100, true);
        long closed = driver.OpenDevice(null, 0, 0, 0, 100, true);
        driver.CloseDevice(closed);
        long[] handles = {0, -1, closed, open + (1L << 32), Long.MAX_VALUE, Long.MIN_VALUE,
                          0xFFFFFFFFL};

        int methods = 0;
        for (Method m : KorviCardDriver.class.getDeclaredMethods()) {
            if (!Modifier.isNative(m.getModifiers())) continue;
            Class<?>[] types = m.getParameterTypes();
            int handleIndex = -1;
            for (int i = 0; i < types.length; i++) {
                if (types[i] == long.class) {
                    handleIndex = i;
                    break;
                }
            }
            if (handleIndex < 0) continue;
            final int handleAt = handleIndex;
            methods++;
            for (long handle : handles) {
                Check.run(m.getName() + " with handle " + handle, () -> {
                    Object[] values = new Object[types.length];
                    for (int i = 0; i < types.length; i++) {
                        values[i] = argument(types[i], handle, i != handleAt);
                    }
                    Object result = m.invoke(driver, values);
                    Class<?> r = m.getReturnType();
                    String name = m.getName();
                    if (HANDLE_FREE.contains(name)) {
                        Check.equal(Boolean.TRUE, result, "the photo methods ignore the handle");
                    } else if (r == boolean.class) {
                        Check.equal(Boolean.FALSE, result, "false");
                    } else if (r == String.class) {
                        Check.equal("", result, "the empty string");
                    } else if (r == byte[].class) {
                        Check.equal(0, ((byte[]) result).length, "an empty array");
                    } else if (r == int.class) {
                        Check.equal(INT_FAILURE.getOrDefault(name, 0), result, "failure value");
                    } else if (r == float.class) {
                        Check.equal(0.0f, result, "0");
                    }
                });
            }
        }
        final int count = methods;
        Check.run("every handle method was called", () -> {
            Check.that(count > 90, "only " + count + " methods with a handle");
            Check.equal(0, reader.requests.size(), "no frame reached the open reader");
        });
        Check.run("the open handle names an identity error", () ->
            Check.equal("TIEC_IPADDRESS", driver.GetTwoIdErrorInfo(open, 1), "the name of code 1"));
        driver.CloseDevice(open);
        Check.finish();
    }
}
