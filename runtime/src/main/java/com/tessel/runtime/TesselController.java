package com.tessel.runtime;

/**
 * Lets the application control the launcher's splash screen.
 *
 * <pre>{@code
 * TesselController.setSplashText("Loading plug-ins...");
 * // ...
 * TesselController.hideSplash();
 * }</pre>
 *
 * <p>The native splash asks this class every 100 ms what to do, so a change shows within about
 * a tenth of a second; several texts set between two of its questions show only the last one.
 * When the runtime's own splash screen is used instead, the status text is drawn on it and
 * {@link #hideSplash()} closes it at once. Without a splash screen both calls do nothing visible.
 *
 * <p>All methods are thread-safe and may be called before the splash is shown.
 */
public final class TesselController {

    /** Answer of {@link #getAction()}: nothing to do. */
    static final int ACTION_NONE = 0;
    /** Answer of {@link #getAction()}: hide the splash and stop asking. */
    static final int ACTION_HIDE = 1;
    /** Answer of {@link #getAction()}: fetch a new status text with {@link #getText()}. */
    static final int ACTION_TEXT = 2;

    private static final Object lock = new Object();
    private static boolean hideRequested;
    private static String pendingText;
    // AWT is touched only after the launcher sent runtime-splash settings: a runtime linked
    // without the desktop module cannot even load the classes that draw on that splash.
    private static volatile boolean runtimeSplash;

    private TesselController() {
    }

    /** Hides the splash screen. Later calls of {@link #setSplashText(String)} have no effect. */
    public static void hideSplash() {
        synchronized (lock) {
            hideRequested = true;
            pendingText = null;
            if (runtimeSplash) {
                AwtSplash.close();
            }
        }
    }

    /**
     * Replaces the status line of the splash screen.
     *
     * @param text the new status text; an empty text clears the line
     * @throws NullPointerException if {@code text} is null
     */
    public static void setSplashText(String text) {
        if (text == null) {
            throw new NullPointerException("text");
        }
        synchronized (lock) {
            if (hideRequested) {
                return;
            }
            pendingText = text;
            // Under the lock, so concurrent callers leave both kinds of splash on the same text.
            if (runtimeSplash) {
                AwtSplash.setStatusText(text);
            }
        }
    }

    /**
     * Called through JNI by the launcher's splash thread (which reaches it whatever its
     * access); not part of the API.
     *
     * @return 1 to hide the splash, 2 when a new status text waits for {@link #getText()},
     *     0 for nothing
     */
    static int getAction() {
        synchronized (lock) {
            if (hideRequested) {
                return ACTION_HIDE;
            }
            return pendingText != null ? ACTION_TEXT : ACTION_NONE;
        }
    }

    /**
     * Called through JNI by the launcher's splash thread after {@link #getAction()} returned 2;
     * hands over the newest status text once. Not part of the API.
     *
     * @return the status text set last, or null when there is none waiting
     */
    static String getText() {
        synchronized (lock) {
            String text = pendingText;
            pendingText = null;
            return text;
        }
    }

    /** Lets the status text and the hide reach the runtime's own splash screen too. */
    static void useRuntimeSplash() {
        runtimeSplash = true;
    }

    /** Forgets all requests; for tests of this library. */
    static void reset() {
        synchronized (lock) {
            hideRequested = false;
            pendingText = null;
            runtimeSplash = false;
        }
    }
}
