package korvicard.test;

import android.content.Context;
import android.telephony.TelephonyManager;

/** A context whose telephony service is the stand-in TelephonyManager. */
public final class StubPhone extends Context {
    @Override
    public Object getSystemService(String name) {
        return TELEPHONY_SERVICE.equals(name) ? new TelephonyManager() : null;
    }
}
