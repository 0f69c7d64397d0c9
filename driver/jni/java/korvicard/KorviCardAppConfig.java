package korvicard;

/** Settings of the reader's network module or of an identity-server box. */
public class KorviCardAppConfig {
    public byte[] arrIapSwitch = new byte[4];
    public byte[] arrLocalIpAddress = new byte[4];
    public byte[] arrLocalNetMaskAddress = new byte[4];
    public byte[] arrLocalGatewayAddress = new byte[4];
    public byte[] arrPassWord = new byte[16];
    public byte[] arrSeverIpAddress = new byte[4];
    public int unSeverPort;
    public int unDispatchPostCode;
    public int unDispatchLineType;
    public int unDispatchAccount;
    public byte[] arrDispatchPassword = new byte[32];
    public byte[] arrDispatchUrl = new byte[32];
    public byte[] arrDnsAddress = new byte[4];
}
