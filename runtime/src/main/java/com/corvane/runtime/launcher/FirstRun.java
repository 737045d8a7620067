package com.corvane.runtime.launcher;

/**
 * First-run step of the corvane flavour. The launcher calls {@link #firstRun()} before the
 * application starts whenever the installation's first-run marker file exists; the application
 * asks {@link #isFirstRun()} to learn whether that happened in this run.
 *
 * <p>Removing the marker once the first-run work is done is the business of the installer or
 * the application.
 */
public final class FirstRun {

    private static volatile boolean called;

    private FirstRun() {
    }

    /**
     * Called by the launcher; applications do not call it.
     *
     * @return true to go on with the launch
     */
    public static boolean firstRun() {
        called = true;
        return true;
    }

    /**
     * Tells whether the launcher found the first-run marker when it started this run.
     *
     * @return true when this run is the installation's first
     */
    public static boolean isFirstRun() {
        return called;
    }
}
