package korvicard;

/** Fuel-card summary and its 16 transaction record slots, each constructed. */
public class KorviCardSinopecCardParam {
    public byte[] arrCardNo = new byte[16];
    public byte[] arrSignedDate = new byte[4];
    public byte[] arrValidityEndDate = new byte[4];
    public int nCardBalance;
    public int nPinFalseCount;
    public KorviCardSinopecRecordParam[] arrSinopecRecord = new KorviCardSinopecRecordParam[16];

    public KorviCardSinopecCardParam() {
        for (int i = 0; i < arrSinopecRecord.length; i++) {
            arrSinopecRecord[i] = new KorviCardSinopecRecordParam();
        }
    }
}
