package korvicard;

/**
 * A KorviCardParam of another shape, put ahead of korvicard.jar on the class path of
 * MissingFieldTest: arrKeys and nKeysSize are missing, arrCardNo has another type.
 */
public class KorviCardParam {
    public int nCardType;
    public String arrCardNo = "not an array";
    public int nCardSize;
    public byte[] arrBuffer = new byte[64];
    public int nBufferSize;
    public byte[] arrCosResultBuffer = new byte[256];
    public int unCosReultBufferLength;
    public byte[] arrCosSendBuffer = new byte[256];
    public int unCosSendBufferLength;
}
