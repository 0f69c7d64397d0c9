package korvicard;

/** One purse transaction record of a fuel card. */
public class KorviCardSinopecRecordParam {
    public byte[] arrEtNo = new byte[2];
    public byte[] arrOverdraftAmount = new byte[3];
    public byte[] arrTradeAmount = new byte[4];
    public byte ucTradeType;
    public byte[] arrTradeTerminalNo = new byte[6];
    public byte[] arrTradeDate = new byte[4];
    public byte[] arrTradeTime = new byte[3];
}
