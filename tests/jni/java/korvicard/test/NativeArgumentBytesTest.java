package korvicard.test;

import java.lang.reflect.Method;
import java.lang.reflect.Modifier;
import java.util.ArrayList;
import java.util.Collections;
import java.util.List;

import korvicard.KorviCardDriver;

/**
 * The argument bytes of every native method of KorviCardDriver as its C entry point receives
 * them on a 32-bit platform: 4 for the environment, the object and each int, boolean, byte,
 * array or other reference, 8 for each long. Every method against the binding's table, and
 * every row of the table against a method.
 */
public final class NativeArgumentBytesTest {
    /** Method name and argument bytes; an overloaded name has one row per form. */
    private static final String TABLE = """
        Request 24
        Anticoll 20
        Select 20
        Authentication 28
        AuthenticationWithPassword 28
        Halt 16
        Read 24
        Write 24
        Increment 24
        Decreament 24
        Restore 20
        Transfer 20
        LoadKey 28
        Beep 20
        SendCpuCommand 24
        GetCardNo 24
        GetCardNoEx 36
        InitValue 24
        ChangePassword 28
        ResetCpuCard 20
        ResetCpuCardNoGetCardNo 20
        DeselectCpuCard 20
        SendCOSCommand 20
        GetBankCardNo 16
        GetBankCardNoBy7816 16
        ReadData 40
        WriteData 32
        ConnectTest 16
        GetErrorCode 16
        GetTwoIdErrorCode 16
        GetErrorInfo 20
        GetTwoIdErrorInfo 20
        ReadText 20
        WriteText 24
        GetTwoIdDispatchServerErrorInfo 16
        SetCardType 20
        FelicaPolling 24
        ReadNfcBuffer 16
        WriteNfcBuffer 20
        RequestB 24
        SelectB 20
        HaltB 16
        GetDeviceNo 16
        GetDeviceMacAddress 16
        GetMcuSerailNo 16
        GetTwoGenerationIDCardNo 16
        GetTwoGenerationIDDnNo 16
        SetRfOnOff 20
        SetLedStatus 20
        ResetRfIc 16
        GetTwoIdInfo 20
        GetSocialSecurityInfoBy7816 20
        SendCosResult2Samv 20
        GetTwoIdInfoByServer 24
        GetTwoIdInfoByServerEx 40
        GetTwoIdInfoByMcuServer 64
        GetTwoIdInfoByMcuServerEx 64
        SetIdPhotoAddress 20
        GetIdPhotoBmpBuffer 20
        SetIdPhotoAddress 24
        WlDecodeByServer 24
        GetTwoIdInfoByWireless 40
        GetTwoIdInfoByWirelessEx 40
        GetTwoIdInfoByPsamServer 48
        GetTwoIdInfoByPsamServerEx 48
        GetSamvManagerMessageByServer 28
        GetTwoIdServerMacAddress 28
        GetTwoIdServerMcuSerialNo 28
        PowerOnOffOtherDevice 40
        GetIdRandom 12
        SaveLog 16
        GetUsbDeviceCount 16
        GetMcuConfig 20
        GetIspOption 20
        SetIspOption 20
        NtagGetVersion 20
        NtagPwdAuth 20
        SetSamSlotIndex 20
        SetSamPowerOnOff 20
        SetSamVSel0 24
        SetSamVSel1 24
        ResetSam 20
        SendSamAPDU 20
        CpuCardSelectByName 20
        CpuCardReadBinary 20
        CalcDes 20
        Calc3Des 20
        CalcMac 20
        ReadWriteRfRegister 28
        SetRelayStatus 28
        GetRelayStatus 24
        SetRelayInitStatus 28
        GetRelayInitStatus 28
        GetSinopecCardInfo 24
        GetPetroChinaCardInfo 24
        GetChargeVoltage 16
        GetChargeStatus 16
        SetChargeCurrent 20
        GetChargeCurrent 16
        GetUsbCharge 16
        ResetMcu 16
        GetFirewareBuildTime 16
        GetLibBuildTime 16
        GetSamvPowerStatus 16
        SetSamvPowerStatus 20
        SetAppConfig 20
        GetAppConfig 20
        OpenDevice 32
        CloseDevice 16
        """;

    private static int argumentBytes(Method m) {
        int bytes = 4 + 4;  // the environment and the object
        for (Class<?> type : m.getParameterTypes()) {
            bytes += type == long.class || type == double.class ? 8 : 4;
        }
        return bytes;
    }

    public static void main(String[] args) {
        List<String> table = TABLE.lines().map(String::strip).filter(r -> !r.isEmpty()).toList();
        List<String> methods = new ArrayList<>();
        for (Method m : KorviCardDriver.class.getDeclaredMethods()) {
            if (Modifier.isNative(m.getModifiers())) {
                methods.add(m.getName() + " " + argumentBytes(m));
            }
        }

        Check.run("every native method has its row", () -> {
            List<String> unmatched = new ArrayList<>(methods);
            for (String row : table) unmatched.remove(row);
            Collections.sort(unmatched);
            Check.equal(List.of(), unmatched, "methods whose name and bytes have no row");
        });

        Check.run("every row has its native method", () -> {
            List<String> unmatched = new ArrayList<>(table);
            for (String method : methods) unmatched.remove(method);
            Check.equal(List.of(), unmatched, "rows without a method of those bytes");
        });

        Check.finish();
    }
}
