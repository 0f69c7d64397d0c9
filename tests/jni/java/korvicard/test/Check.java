package korvicard.test;

import java.util.ArrayList;
import java.util.List;

/** A small test runner: named cases, checks that record failures, an exit code. */
final class Check {
    interface Case {
        void run() throws Exception;
    }

    private static final List<String> failures = new ArrayList<>();
    private static String current = "";

    private Check() {}

    static void that(boolean condition, String what) {
        if (!condition) failures.add(current + ": " + what);
    }

    static void equal(long expected, long actual, String what) {
        that(expected == actual, what + " (expected " + expected + ", got " + actual + ")");
    }

    static void equal(Object expected, Object actual, String what) {
        that(expected == null ? actual == null : expected.equals(actual),
             what + " (expected " + expected + ", got " + actual + ")");
    }

    static void bytes(byte[] expected, byte[] actual, String what) {
        that(java.util.Arrays.equals(expected, actual),
             what + " (expected " + Hex.of(expected) + ", got " + Hex.of(actual) + ")");
    }

    static void run(String name, Case body) {
        current = name;
        long start = System.nanoTime();
        try {
            body.run();
        } catch (Throwable t) {
            failures.add(name + ": threw " + t);
            t.printStackTrace(System.out);
        }
        System.out.printf("[case] %s (%d ms)%n", name, (System.nanoTime() - start) / 1_000_000);
    }

    /** Prints the failures and ends the program: 0 when every check held. */
    static void finish() {
        for (String f : failures) System.out.println("FAILED " + f);
        System.out.println(failures.isEmpty() ? "all checks passed" : failures.size() + " failures");
        System.exit(failures.isEmpty() ? 0 : 1);
    }
}
