import korvicard.KorviCardDriver;
import korvicard.KorviCardParam;

/** Opens the simulated reader over TCP, beeps and reads the card number in the field. */
public class OpenSimulatedReader {
    public static void main(String[] args) {
        String host = args.length > 0 ? args[0] : "127.0.0.1";
        int port = args.length > 1 ? Integer.parseInt(args[1]) : 12345;
        KorviCardDriver driver = new KorviCardDriver();
        long reader = driver.OpenDevice(host, port, 0, 0, 2000, false);
        if (reader == -1) {
            System.err.println("no reader at " + host + ":" + port);
            System.exit(1);
        }
        try {
            driver.Beep(reader, 20);
            KorviCardParam card = new KorviCardParam();
            if (!driver.GetCardNo(reader, 0x52, card)) {
                int code = driver.GetErrorCode(reader);
                System.err.println("no card: " + driver.GetErrorInfo(reader, code));
                System.exit(1);
            }
            StringBuilder uid = new StringBuilder();
            for (int i = 0; i < 4; i++) uid.append(String.format("%02X", card.arrCardNo[i]));
            System.out.println(driver.GetDeviceNo(reader) + ": card type " + card.nCardType
                               + ", UID " + uid);
        } finally {
            driver.CloseDevice(reader);
        }
    }
}
