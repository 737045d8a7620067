package com.tessel;

import java.util.List;
import java.util.function.Consumer;

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
 *
 * <p>A lambda receives the argument text as typed. A listener that wants the arguments split
 * as a Windows program would see them in its own {@code main} overrides
 * {@link #startupPerformed(String, List)} too, or is made with {@link #withArguments(Consumer)}.
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

    /**
     * Called once for each later start, with its argument text and the same text split into
     * arguments by the rule the executable applies to a first start's arguments (by default
     * the Windows rules: blanks and tabs separate arguments outside double quotes, quotes group
     * and are removed, a backslash escapes a quote ({@code \"}), other backslashes are kept). The library calls this method; by default it calls
     * {@link #startupPerformed(String)}, so listeners written before it keep working.
     *
     * @param parameters the later start's arguments as one text, exactly as typed, or
     *     {@code null} when it was started without arguments
     * @param arguments the arguments, split; empty when there are none; unmodifiable
     */
    default void startupPerformed(String parameters, List<String> arguments) {
        startupPerformed(parameters);
    }

    /**
     * A listener that receives each later start's arguments split by the Windows rules.
     *
     * @param action called with the arguments of each later start (an empty list for none)
     * @return the listener, to register with {@link Controller#addStartupListener}
     * @throws NullPointerException if {@code action} is null
     */
    static StartupListener withArguments(Consumer<List<String>> action) {
        if (action == null) {
            throw new NullPointerException("action");
        }
        return new StartupListener() {
            @Override
            public void startupPerformed(String parameters) {
            }

            @Override
            public void startupPerformed(String parameters, List<String> arguments) {
                action.accept(arguments);
            }
        };
    }
}
