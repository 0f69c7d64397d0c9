package korvicard.test;

import java.io.ByteArrayOutputStream;
import java.util.ArrayList;
import java.util.List;

import korvicard.KorviCardDriver;

/**
 * A small reader in Java behind the driver's callback transport, with its own codec of the
 * reader frame written from the wire format (request: length byte, mask, sequence, command,
 * big-endian payload length, payload, check byte; scrambled from byte 5 with the mask and the
 * index; reply: length, sequence, status, payload length, payload, check byte, scrambled from
 * byte 1 with the index, the request's mask and the reply mask K).
 *
 * It holds a Mifare Classic 1K card (4-byte UID, 64 blocks) and answers beep (11), request
 * (1), anticollision (2), select (3), authentication (4, 46), block read (6) and write (7),
 * and the application config get (218) and set (217). Any other command gets status 1 with
 * code 19.
 */
final class JavaReader implements KorviCardDriver.Transport {
    /** What the transport does with the next pieces. */
    enum Fault { NONE, WRITE_FALSE, WRITE_THROWS, READ_FALSE, READ_THROWS }

    static final int CMD_REQUEST = 1, CMD_ANTICOLL = 2, CMD_SELECT = 3, CMD_AUTH = 4,
            CMD_READ = 6, CMD_WRITE = 7, CMD_BEEP = 11, CMD_AUTH_PASSWORD = 46,
            CMD_SET_APP_CONFIG = 217, CMD_GET_APP_CONFIG = 218;

    /** A decoded request. */
    static final class Request {
        final int sequence, command;
        final byte[] payload;

        Request(int sequence, int command, byte[] payload) {
            this.sequence = sequence;
            this.command = command;
            this.payload = payload;
        }
    }

    final byte[] uid = Hex.parse("3A5C7E91");
    final byte[][] blocks = new byte[64][16];
    byte[] appConfig = new byte[120];
    final List<Request> requests = new ArrayList<>();
    final List<Thread> threads = new ArrayList<>();
    final List<Integer> pieceSizes = new ArrayList<>();
    long lastHandle;
    Fault fault = Fault.NONE;

    private final byte[] replyMask;
    private final ByteArrayOutputStream incoming = new ByteArrayOutputStream();
    private byte[] pendingReply;

    JavaReader(byte[] replyMask) {
        this.replyMask = replyMask.clone();
        for (int b = 0; b < 64; b++) {
            for (int i = 0; i < 16; i++) blocks[b][i] = (byte) (b * 16 + i);
        }
    }

    /** The reply mask K from the build (system property korvicard.replyMask, 8 hex digits). */
    static byte[] replyMaskFromBuild() {
        return Hex.parse(System.getProperty("korvicard.replyMask", "A55AC33C"));
    }

    @Override
    public boolean process(long handle, boolean read, byte[] piece) {
        lastHandle = handle;
        threads.add(Thread.currentThread());
        pieceSizes.add(piece.length);
        if (!read) {
            if (fault == Fault.WRITE_FALSE) return false;
            if (fault == Fault.WRITE_THROWS) throw new IllegalStateException("write fault");
            return takeRequestPiece(piece);
        }
        if (fault == Fault.READ_FALSE) return false;
        if (fault == Fault.READ_THROWS) throw new IllegalStateException("read fault");
        if (pendingReply == null) return false;
        piece[0] = (byte) pendingReply.length;
        System.arraycopy(pendingReply, 0, piece, 1, pendingReply.length);
        pendingReply = null;
        return true;
    }

    // First piece: the frame's first bytes as they are; later pieces: a count byte (255 for
    // 63 bytes and more to come) and the data.
    private boolean takeRequestPiece(byte[] piece) {
        if (incoming.size() == 0) {
            incoming.write(piece, 0, Math.min(64, piece.length));
        } else {
            int count = piece[0] & 0xFF;
            incoming.write(piece, 1, count == 255 ? 63 : count);
        }
        byte[] have = incoming.toByteArray();
        if (have.length < 9) return true;
        byte[] mask = {have[1], have[2], have[3], have[4]};
        int lengthHigh = (have[7] ^ mask[2] ^ 2) & 0xFF;
        int lengthLow = (have[8] ^ mask[3] ^ 3) & 0xFF;
        int payloadLength = (lengthHigh << 8) | lengthLow;
        int total = payloadLength + 10;
        if (have.length < total) return true;
        incoming.reset();
        byte[] frame = java.util.Arrays.copyOf(have, total);
        int check = 0;
        for (int i = 0; i < total - 1; i++) check ^= frame[i];
        if ((byte) check != frame[total - 1]) return true;  // a bad frame gets no reply
        byte[] plain = new byte[payloadLength + 4];
        for (int i = 0; i < plain.length; i++) {
            plain[i] = (byte) (frame[5 + i] ^ mask[i % 4] ^ i);
        }
        Request request = new Request(plain[0] & 0xFF, plain[1] & 0xFF,
                                      java.util.Arrays.copyOfRange(plain, 4, plain.length));
        requests.add(request);
        pendingReply = encodeReply(request.sequence + 1, answer(request), mask);
        return true;
    }

    /** Status 0 with a payload, or null for the failure reply. */
    private byte[] answer(Request r) {
        byte[] p = r.payload;
        switch (r.command) {
            case CMD_BEEP:
                return new byte[0];
            case CMD_REQUEST:
                return new byte[] {0x04, 0x00};
            case CMD_ANTICOLL:
                return uid.clone();
            case CMD_SELECT:
                return new byte[] {0x08};
            case CMD_AUTH:
            case CMD_AUTH_PASSWORD:
                return new byte[] {1, 2, 3, 4};
            case CMD_READ:
                return p.length == 1 && (p[0] & 0xFF) < 64 ? blocks[p[0] & 0xFF].clone() : null;
            case CMD_WRITE:
                if (p.length != 17 || (p[0] & 0xFF) >= 64) return null;
                System.arraycopy(p, 1, blocks[p[0] & 0xFF], 0, 16);
                return new byte[0];
            case CMD_GET_APP_CONFIG:
                return appConfig.clone();
            case CMD_SET_APP_CONFIG:
                if (p.length != 120) return null;
                appConfig = p.clone();
                return new byte[0];
            default:
                return null;
        }
    }

    private byte[] encodeReply(int sequence, byte[] payload, byte[] mask) {
        boolean ok = payload != null;
        byte[] body = ok ? payload : new byte[] {19};
        int length = body.length + 4;  // L: sequence, status, payload length, body, check byte
        byte[] reply = new byte[length + 1];
        reply[0] = (byte) length;
        reply[1] = (byte) sequence;
        reply[2] = (byte) (ok ? 0 : 1);
        reply[3] = (byte) (ok ? body.length : 1);
        System.arraycopy(body, 0, reply, 4, body.length);
        for (int j = 0; j <= length - 2; j++) {
            reply[1 + j] ^= (byte) (j ^ mask[j % 4] ^ replyMask[j % 4]);
        }
        int check = 0;
        for (int i = 0; i < length; i++) check ^= reply[i];
        reply[length] = (byte) check;
        return reply;
    }

    Request last() {
        return requests.isEmpty() ? null : requests.get(requests.size() - 1);
    }
}
