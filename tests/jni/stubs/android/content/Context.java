package android.content;

/** Test stand-in for Android's Context: what the phone-identity query looks up. */
public abstract class Context {
    public static final String TELEPHONY_SERVICE = "phone";

    public abstract Object getSystemService(String name);
}
