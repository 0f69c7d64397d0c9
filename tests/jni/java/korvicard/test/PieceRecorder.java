package korvicard.test;

/**
 * Stands in for KorviCardDriver in the embedded-VM test: the transport callback looks up the
 * static callBackProcess of the stored object's class.
 */
public final class PieceRecorder {
    public static long lastHandle;
    public static boolean lastRead;
    public static String lastThread;
    public static boolean lastThreadDaemon;
    public static int calls;
    public static boolean fail;

    public static boolean callBackProcess(long handle, boolean read, byte[] piece) {
        calls++;
        lastHandle = handle;
        lastRead = read;
        lastThread = Thread.currentThread().getName();
        if (fail) throw new IllegalStateException("transport fault");
        if (read) {
            piece[0] = 3;
            piece[1] = 0x11;
            piece[2] = 0x22;
            piece[3] = 0x33;
        }
        return piece.length == 256 && (read || piece[0] == 0x42);
    }
}
