package korvicard.test;

import korvicard.KorviCardDriver;
import korvicard.KorviCardParam;

/**
 * Runs with a KorviCardParam that lacks arrKeys and nKeysSize and has a String arrCardNo
 * (tests/jni/legacy): the missing and mistyped fields are skipped, the others travel, and no
 * failed look-up leaves an exception pending (java -Xcheck:jni would report it).
 */
public final class MissingFieldTest {
    public static void main(String[] args) {
        KorviCardDriver driver = new KorviCardDriver();
        JavaReader reader = new JavaReader(JavaReader.replyMaskFromBuild());
        KorviCardDriver.setTransport(reader);
        long handle = driver.OpenDevice(null, 0, 0, 0, 500, true);

        Check.run("the record class of this run lacks arrKeys", () -> {
            boolean has;
            try {
                KorviCardParam.class.getField("arrKeys");
                has = true;
            } catch (NoSuchFieldException e) {
                has = false;
            }
            Check.that(!has, "the legacy class is ahead of korvicard.jar");
        });

        Check.run("missing and mistyped fields are skipped", () -> {
            KorviCardParam p = new KorviCardParam();
            Check.that(driver.GetCardNo(handle, 0x52, p), "GetCardNo");
            Check.equal(4, p.nCardType, "card type");
            Check.equal(8, p.nCardSize, "SAK");
            // Compiled against the real class, so the field is read by reflection.
            Check.equal("not an array", KorviCardParam.class.getField("arrCardNo").get(p),
                        "the mistyped field untouched");
            Check.that(driver.AuthenticationWithPassword(handle, 0x60, 1, p), "authentication");
            Check.bytes(Hex.parse("6001000000000000"), reader.last().payload,
                        "no keys: zeros travel");
            Check.that(driver.Read(handle, 6, p), "read");
            Check.bytes(reader.blocks[6], java.util.Arrays.copyOf(p.arrBuffer, 16), "block");
        });

        driver.CloseDevice(handle);
        Check.finish();
    }
}
