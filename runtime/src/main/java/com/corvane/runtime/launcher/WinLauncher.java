package com.corvane.runtime.launcher;

/**
 * The launcher class of the corvane flavour. It takes the same arguments and does the same work
 * as {@link com.tessel.runtime.WinLauncher}; applications do not call it.
 */
public final class WinLauncher {

    private WinLauncher() {
    }

    /**
     * Entry point called by the launcher; see {@link com.tessel.runtime.WinLauncher#main}.
     *
     * @param args the launcher arguments
     * @throws Exception whatever prevents the application from starting, or whatever its
     *     {@code main} throws
     */
    public static void main(String[] args) throws Exception {
        com.tessel.runtime.WinLauncher.main(args);
    }
}
