package com.tessel;

/**
 * Receives the command line of each later start of the application.
 *
 * <p>In single-instance mode a second start of the executable does not start a second
 * application: it hands its command line to the running instance and exits. The running
 * instance receives that text through the listeners registered with
 * {@link Controller#addStartupListener(StartupListener)}.
 *
 * <p>Listeners are called one at a time, in the order the later starts happened, on a daemon
 * thread of the runtime library (never on the event dispatch thread). A listener that updates a
 * user interface should hand the work to that interface's own thread, for example with
 * {@code SwingUtilities.invokeLater}.
 */
@FunctionalInterface
public interface StartupListener {

    /**
     * Called once for each later start.
     *
     * @param parameters the later start's arguments as one text, exactly as they were typed
     *     (quotes kept, not split into words), or {@code null} when it was started without
     *     arguments
     */
    void startupPerformed(String parameters);
}
