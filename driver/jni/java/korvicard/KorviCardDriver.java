package korvicard;

/**
 * The KorviCard reader driver for Java: each native method calls the C export of the same
 * operation in libKorviCardDriver.so. Handles are the driver's reader ids; -1 means not open.
 * When a reader is opened with useCallback, every frame piece goes through
 * {@link #callBackProcess}, which hands it to the {@link Transport} set with
 * {@link #setTransport}.
 */
public class KorviCardDriver {
    static {
        System.loadLibrary("KorviCardDriver");
    }

    /** A transport supplied by the Java program: the reader's frames in 256-byte pieces. */
    public interface Transport {
        /**
         * Writes (read false) or reads (read true) one 256-byte piece; on a read the piece is
         * filled in place. Returns true for success.
         */
        boolean process(long handle, boolean read, byte[] piece);
    }

    private static volatile Transport transport;

    /** Sets the transport that {@link #callBackProcess} uses (null: every piece fails). */
    public static void setTransport(Transport value) {
        transport = value;
    }

    /** The driver's transport callback, called on the calling thread for every piece. */
    public static boolean callBackProcess(long handle, boolean read, byte[] piece) {
        Transport t = transport;
        return t != null && t.process(handle, read, piece);
    }

    // Lifecycle and errors
    public native long OpenDevice(String deviceName, int vidOrPort, int pid, int usbIndex,
                                  int timeout, boolean useCallback);
    public native void CloseDevice(long handle);
    public native int GetErrorCode(long handle);
    public native int GetTwoIdErrorCode(long handle);
    public native String GetErrorInfo(long handle, int code);
    public native String GetTwoIdErrorInfo(long handle, int code);
    public native String GetTwoIdDispatchServerErrorInfo(long handle);
    /** Reads the address and dials nothing (value is not used): always 0. */
    public native int ConnectTest(String address, int value);

    // Mifare Classic and ISO 14443-A
    public native boolean Request(long handle, int mode, KorviCardParam param);
    public native boolean Anticoll(long handle, KorviCardParam param);
    public native boolean Select(long handle, KorviCardParam param);
    public native boolean Authentication(long handle, int keyMode, int sector, KorviCardParam param);
    public native boolean AuthenticationWithPassword(long handle, int keyMode, int sector,
                                                     KorviCardParam param);
    public native boolean Halt(long handle);
    public native boolean Read(long handle, int block, KorviCardParam param);
    public native boolean Write(long handle, int block, KorviCardParam param);
    public native boolean Increment(long handle, int block, int value);
    public native boolean Decreament(long handle, int block, int value);
    public native boolean Restore(long handle, int block);
    public native boolean Transfer(long handle, int block);
    public native boolean LoadKey(long handle, int keyMode, int sector, KorviCardParam param);
    public native boolean Beep(long handle, int time);
    public native boolean GetCardNo(long handle, int mode, KorviCardParam param);
    public native boolean GetCardNoEx(long handle, int requestMode, int beepTime, int option1,
                                      int option2, KorviCardParam param);
    public native boolean InitValue(long handle, int block, int value);
    public native boolean ChangePassword(long handle, int sector, String keyAHex, String keyBHex);
    public native boolean ReadData(long handle, int requestMode, int block, int blockCount,
                                   int beepTime, int keyMode, KorviCardParam param);
    public native boolean WriteData(long handle, int block, int beepTime, int blockCount,
                                    KorviCardParam param);
    public native String ReadText(long handle, int start);
    public native boolean WriteText(long handle, int start, String text);
    public native boolean SetCardType(long handle, int type);

    // CPU cards, bank, social-security and fuel cards
    public native boolean SendCpuCommand(long handle, int mode, KorviCardParam param);
    public native boolean ResetCpuCard(long handle, KorviCardParam param);
    public native boolean ResetCpuCardNoGetCardNo(long handle, KorviCardParam param);
    public native boolean DeselectCpuCard(long handle, KorviCardParam param);
    public native boolean SendCOSCommand(long handle, KorviCardParam param);
    public native byte[] CpuCardSelectByName(long handle, String name);
    public native byte[] CpuCardReadBinary(long handle, int sfi);
    public native String GetBankCardNo(long handle);
    public native String GetBankCardNoBy7816(long handle);
    public native boolean GetSocialSecurityInfoBy7816(long handle, byte[] record);
    public native boolean GetSinopecCardInfo(long handle, KorviCardSinopecCardParam card, String pin);
    public native boolean GetPetroChinaCardInfo(long handle, KorviCardSinopecCardParam card,
                                                String pin);

    // Type B, FeliCa, NFC buffer, NTAG
    public native boolean RequestB(long handle, int mode, KorviCardParam param);
    public native boolean SelectB(long handle, KorviCardParam param);
    public native boolean HaltB(long handle);
    public native boolean FelicaPolling(long handle, int request, KorviCardParam param);
    public native String ReadNfcBuffer(long handle);
    public native boolean WriteNfcBuffer(long handle, String text);
    public native boolean NtagGetVersion(long handle, byte[] version);
    public native boolean NtagPwdAuth(long handle, byte[] password);

    // SAM slots
    public native boolean SetSamSlotIndex(long handle, int slot);
    public native boolean SetSamPowerOnOff(long handle, int on);
    public native boolean SetSamVSel0(long handle, int slot, int level);
    public native boolean SetSamVSel1(long handle, int slot, int level);
    public native boolean ResetSam(long handle, KorviCardParam param);
    public native boolean SendSamAPDU(long handle, KorviCardParam param);

    // Identity card
    public native boolean GetTwoIdInfo(long handle, TwoIdInfoParam param);
    public native boolean SendCosResult2Samv(long handle, KorviCardParam param);
    public native boolean GetTwoIdInfoByServer(long handle, String host, TwoIdInfoParam param);
    // Ports, time-outs and values are long: one outside the int range fails the call.
    public native boolean GetTwoIdInfoByServerEx(long handle, String host, long port,
                                                 TwoIdInfoParam param, long timeoutSeconds);
    public native boolean GetTwoIdInfoByWireless(long handle, String host, long port,
                                                 TwoIdInfoParam param, long timeoutSeconds);
    public native boolean GetTwoIdInfoByWirelessEx(long handle, String host, long port,
                                                   TwoIdInfoParam param, long timeoutSeconds);
    /** unused: accepted and not used. */
    public native boolean GetTwoIdInfoByPsamServer(long handle, String host, long port,
                                                   TwoIdInfoParam param, long timeoutSeconds,
                                                   long unused);
    public native boolean GetTwoIdInfoByPsamServerEx(long handle, String host, long port,
                                                     TwoIdInfoParam param, long timeoutSeconds,
                                                     long unused);
    /**
     * context: an android.content.Context whose phone identity goes with the request, or null
     * (a desktop JVM): without one, or when it cannot be read, the read goes on with a blank
     * identity. firstRequest and secondRequest: 0 to 4294967295, else the call fails.
     */
    public native boolean GetTwoIdInfoByMcuServer(Object context, int value, long handle,
                                                  String dispatchHost, int dispatchValue,
                                                  String account, TwoIdInfoParam param,
                                                  long firstRequest, long secondRequest,
                                                  int timeoutSeconds, boolean flag);
    public native boolean GetTwoIdInfoByMcuServerEx(Object context, int value, long handle,
                                                    String dispatchHost, int dispatchValue,
                                                    String account, TwoIdInfoParam param,
                                                    long firstRequest, long secondRequest,
                                                    int timeoutSeconds, boolean flag);
    public native boolean SetIdPhotoAddress(long handle, boolean flag);
    public native boolean SetIdPhotoAddress(long handle, byte[] buffer, boolean flag);
    public native boolean GetIdPhotoBmpBuffer(long handle, byte[] buffer);
    public native boolean WlDecodeByServer(long handle, String host, TwoIdInfoParam param);
    public native String GetSamvManagerMessageByServer(long handle, String host, long port);
    public native byte[] GetTwoIdServerMacAddress(long handle, String host, long port);
    public native byte[] GetTwoIdServerMcuSerialNo(long handle, String host, long port);
    /** -1 for a failure, also for a port or value outside the int range. */
    public native int PowerOnOffOtherDevice(long handle, String host, long port, long value,
                                            String block);
    public native String GetTwoGenerationIDCardNo(long handle);
    public native String GetTwoGenerationIDDnNo(long handle);
    public native int GetSamvPowerStatus(long handle);
    public native boolean SetSamvPowerStatus(long handle, int status);

    // Device controls
    public native String GetDeviceNo(long handle);
    public native String GetDeviceMacAddress(long handle);
    public native String GetMcuSerailNo(long handle);
    public native boolean SetRfOnOff(long handle, int on);
    public native boolean SetLedStatus(long handle, int state);
    public native boolean ResetRfIc(long handle);
    public native boolean GetMcuConfig(long handle, byte[] config);
    public native boolean GetIspOption(long handle, byte[] option);
    public native boolean SetIspOption(long handle, byte[] option);
    public native int ReadWriteRfRegister(long handle, int mode, int reg, int value);
    public native boolean SetRelayStatus(long handle, int relay, int status, String password);
    public native boolean GetRelayStatus(long handle, int relay, byte[] status);
    public native boolean SetRelayInitStatus(long handle, byte[] states, byte[] password,
                                             int seconds);
    public native boolean GetRelayInitStatus(long handle, byte[] states, byte[] password,
                                             int[] seconds);
    public native float GetChargeVoltage(long handle);
    public native int GetChargeStatus(long handle);
    public native boolean SetChargeCurrent(long handle, int current);
    public native int GetChargeCurrent(long handle);
    public native int GetUsbCharge(long handle);
    public native boolean ResetMcu(long handle);
    public native String GetFirewareBuildTime(long handle);
    public native String GetLibBuildTime(long handle);
    public native boolean SetAppConfig(long handle, KorviCardAppConfig config);
    public native boolean GetAppConfig(long handle, KorviCardAppConfig config);

    // Utilities without a reader
    public native int GetIdRandom(byte[] buffer);
    public native int SaveLog(String fileName, String line);
    public native int GetUsbDeviceCount(int vid, int pid);
    public native String CalcDes(String dataHex, String keyHex, boolean decrypt);
    public native String Calc3Des(String dataHex, String keyHex, boolean decrypt);
    public native String CalcMac(String initialValueHex, String dataHex, String keyHex);
}
