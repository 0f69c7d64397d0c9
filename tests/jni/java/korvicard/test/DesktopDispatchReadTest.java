package korvicard.test;

import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.Objects;
import java.util.function.LongFunction;
import java.util.function.Predicate;

import korvicard.KorviCardDriver;
import korvicard.TwoIdInfoParam;

/**
 * The identity card read on a desktop JVM, where no Android class exists, through
 * korvicard-sim's dispatch and identity servers (a type B identity card in the field); and the
 * long port, time-out and value arguments of the server methods, which fail outside the range
 * of their C argument, calling nothing, instead of wrapping.
 */
public final class DesktopDispatchReadTest {
    private static final KorviCardDriver driver = new KorviCardDriver();
    private static final long WRAPS_TO_ZERO = 1L << 32;
    private static final String BOX_PASSWORD = "KVIdBoxInitPass!";
    /** The identity code of a dispatch read stopped at its empty account: no call below sets it. */
    private static final int EMPTY_ACCOUNT = 68;
    private static final int CONNECT_SERVER = 24;

    /** The identity card as the reader's own SAMV module reads it: the servers' reference. */
    private static TwoIdInfoParam reference;
    private static long handle;

    private static void checkFilled(TwoIdInfoParam t, String what) {
        Check.bytes(reference.arrTwoIdName, t.arrTwoIdName, what + ": name");
        Check.bytes(reference.arrTwoIdNo, t.arrTwoIdNo, what + ": number");
        Check.that(Arrays.equals(reference.arrTwoIdPhoto, t.arrTwoIdPhoto), what + ": photo");
    }

    private interface Read {
        boolean run(TwoIdInfoParam record);
    }

    /** The read's result; its record is checked as filled when it succeeds. */
    private static boolean filledRead(String what, Read read) {
        TwoIdInfoParam t = new TwoIdInfoParam();
        t.arrTwoIdName = Hex.filled(30, 0x55);
        boolean result = read.run(t);
        if (result) checkFilled(t, what);
        return result;
    }

    /** The values of a C argument type. */
    private record Range(long low, long high) {}

    private static final Range INT = new Range(Integer.MIN_VALUE, Integer.MAX_VALUE);
    private static final Range UINT32 = new Range(0, 0xFFFFFFFFL);

    /** What a method returns when it fails, and the test of its success. */
    private record Results(Object failure, Predicate<Object> success) {}

    private static final Results READ = new Results(false, Boolean.TRUE::equals);
    private static final Results MAC = new Results(new byte[0], r -> ((byte[]) r).length == 6);
    private static final Results SERIAL = new Results(new byte[0], r -> ((byte[]) r).length == 12);
    private static final Results MESSAGE = new Results("", r -> !"".equals(r));
    private static final Results POWER = new Results(-1, r -> r.equals(1));

    /**
     * A long argument of a native method: the range of its C argument, the value the test works
     * with, the identity code a value at either end of the range leaves (a port there fails its
     * connect) and the method called with this argument and the others valid.
     */
    private record Argument(String name, Range range, long valid, int edgeCode, Results results,
                            LongFunction<Object> call) {}

    private static String show(Object result) {
        return result instanceof byte[] bytes ? Hex.of(bytes) : String.valueOf(result);
    }

    /**
     * Each value is passed after a dispatch read left EMPTY_ACCOUNT: a value the JNI layer
     * refuses leaves that code, since no driver call ran and nothing reached the servers; a
     * value it passes on runs the driver, which sets a code of its own.
     */
    private static void checkArgument(Argument a) {
        Range range = a.range();
        Object failure = a.results().failure();
        long[] refused = {range.high() + 1, range.low() - 1, a.valid() + WRAPS_TO_ZERO,
                          Long.MIN_VALUE + a.valid(), Long.MAX_VALUE};
        for (long value : refused) {
            Object result = callAfterMark(a, value);
            Check.that(Objects.deepEquals(failure, result),
                       value + " gives the failure value (got " + show(result) + ")");
            Check.equal(EMPTY_ACCOUNT, driver.GetTwoIdErrorCode(handle),
                        value + " calls nothing");
        }
        for (long value : new long[] {a.valid(), range.low(), range.high()}) {
            int code = value == a.valid() ? 0 : a.edgeCode();
            Object result = callAfterMark(a, value);
            Check.equal(code, driver.GetTwoIdErrorCode(handle), value + " reaches the driver");
            Check.that(code == 0 ? a.results().success().test(result)
                                 : Objects.deepEquals(failure, result),
                       value + (code == 0 ? " succeeds" : " fails its connect") + " (got "
                           + show(result) + ")");
        }
    }

    private static Object callAfterMark(Argument a, long value) {
        driver.GetTwoIdInfoByMcuServer(null, 0, handle, "", 1, "", new TwoIdInfoParam(), 0, 0, 1,
                                       false);
        Check.equal(EMPTY_ACCOUNT, driver.GetTwoIdErrorCode(handle), "the code before " + value);
        return a.call().apply(value);
    }

    public static void main(String[] args) {
        String address = System.getProperty("korvicard.sim");
        String host = address.substring(0, address.lastIndexOf(':'));
        int port = Integer.parseInt(address.substring(address.lastIndexOf(':') + 1));
        String idServer = System.getProperty("korvicard.idServer");
        String idHost = idServer.substring(0, idServer.lastIndexOf(':'));
        long idPort = Long.parseLong(idServer.substring(idServer.lastIndexOf(':') + 1));
        String dispatch = System.getProperty("korvicard.dispatch");
        handle = driver.OpenDevice(host, port, 0, 0, 2000, false);
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
                Check.that(filledRead("context " + context,
                                      t -> driver.GetTwoIdInfoByMcuServer(
                                          context, 0, handle, dispatch, 1, "station-07", t, 11,
                                          22, 5, false)),
                           "read with " + context);
                Check.equal(0, driver.GetTwoIdErrorCode(handle), "code with " + context);
            }
        });

        interface ServerRead {
            boolean run(long port, TwoIdInfoParam t, long timeoutSeconds);
        }
        record NamedRead(String name, ServerRead read) {}
        NamedRead[] reads = {
            new NamedRead("GetTwoIdInfoByServerEx",
                          (p, t, s) -> driver.GetTwoIdInfoByServerEx(handle, idHost, p, t, s)),
            new NamedRead("GetTwoIdInfoByWireless",
                          (p, t, s) -> driver.GetTwoIdInfoByWireless(handle, idHost, p, t, s)),
            new NamedRead("GetTwoIdInfoByWirelessEx",
                          (p, t, s) -> driver.GetTwoIdInfoByWirelessEx(handle, idHost, p, t, s)),
            new NamedRead("GetTwoIdInfoByPsamServer",
                          (p, t, s) -> driver.GetTwoIdInfoByPsamServer(handle, idHost, p, t, s,
                                                                       7)),
            new NamedRead("GetTwoIdInfoByPsamServerEx",
                          (p, t, s) -> driver.GetTwoIdInfoByPsamServerEx(handle, idHost, p, t, s,
                                                                         Long.MAX_VALUE)),
        };
        List<Argument> arguments = new ArrayList<>();
        for (NamedRead r : reads) {
            String name = r.name();
            arguments.add(new Argument(name + " port", INT, idPort, CONNECT_SERVER, READ,
                                       p -> filledRead(name, t -> r.read().run(p, t, 5))));
            arguments.add(new Argument(name + " timeoutSeconds", INT, 5, 0, READ,
                                       s -> filledRead(name, t -> r.read().run(idPort, t, s))));
        }
        arguments.add(new Argument("GetTwoIdInfoByMcuServer firstRequest", UINT32, 11, 0, READ,
            v -> filledRead("dispatch", t -> driver.GetTwoIdInfoByMcuServer(
                null, 0, handle, dispatch, 1, "station-07", t, v, 22, 5, false))));
        arguments.add(new Argument("GetTwoIdInfoByMcuServer secondRequest", UINT32, 22, 0, READ,
            v -> filledRead("dispatch", t -> driver.GetTwoIdInfoByMcuServer(
                null, 0, handle, dispatch, 1, "station-07", t, 11, v, 5, false))));
        arguments.add(new Argument("GetTwoIdServerMacAddress port", INT, idPort, CONNECT_SERVER,
                                   MAC,
                                   p -> driver.GetTwoIdServerMacAddress(handle, idHost, p)));
        arguments.add(new Argument("GetTwoIdServerMcuSerialNo port", INT, idPort, CONNECT_SERVER,
                                   SERIAL,
                                   p -> driver.GetTwoIdServerMcuSerialNo(handle, idHost, p)));
        arguments.add(new Argument("GetSamvManagerMessageByServer port", INT, idPort,
                                   CONNECT_SERVER, MESSAGE,
                                   p -> driver.GetSamvManagerMessageByServer(handle, idHost, p)));
        arguments.add(new Argument("PowerOnOffOtherDevice port", INT, idPort, CONNECT_SERVER, POWER,
            p -> driver.PowerOnOffOtherDevice(handle, idHost, p, 1, BOX_PASSWORD)));
        arguments.add(new Argument("PowerOnOffOtherDevice value", INT, 1, 0, POWER,
            v -> driver.PowerOnOffOtherDevice(handle, idHost, idPort, v, BOX_PASSWORD)));

        for (Argument a : arguments) {
            Check.run(a.name() + ": refused outside its C range, passed at both ends",
                      () -> checkArgument(a));
        }

        driver.CloseDevice(handle);
        Check.finish();
    }
}
