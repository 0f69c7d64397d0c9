package korvicard.test;

final class Hex {
    private Hex() {}

    static String of(byte[] data) {
        if (data == null) return "null";
        StringBuilder b = new StringBuilder();
        for (byte x : data) b.append(String.format("%02X", x & 0xFF));
        return b.toString();
    }

    static byte[] parse(String text) {
        byte[] out = new byte[text.length() / 2];
        for (int i = 0; i < out.length; i++) {
            out[i] = (byte) Integer.parseInt(text.substring(2 * i, 2 * i + 2), 16);
        }
        return out;
    }

    static byte[] filled(int length, int value) {
        byte[] out = new byte[length];
        java.util.Arrays.fill(out, (byte) value);
        return out;
    }

    /** length bytes counting up from start. */
    static byte[] counting(int length, int start) {
        byte[] out = new byte[length];
        for (int i = 0; i < length; i++) out[i] = (byte) (start + i);
        return out;
    }
}
