package probe.extra;

/** Lives in its own archive, which only a class-path "A" entry brings in. */
public final class Extra {
    private Extra() {
    }

    public static String hello() {
        return "hello from extra.jar";
    }
}
