package korvicard;

/** The general card record (KorviCardParam of the C API); arrays have the C widths. */
public class KorviCardParam {
    public int nCardType;
    public byte[] arrCardNo = new byte[8];
    public int nCardSize;
    public byte[] arrBuffer = new byte[64];
    public int nBufferSize;
    public byte[] arrKeys = new byte[64];
    public int nKeysSize;
    public byte[] arrCosResultBuffer = new byte[256];
    public int unCosReultBufferLength;
    public byte[] arrCosSendBuffer = new byte[256];
    public int unCosSendBufferLength;
}
