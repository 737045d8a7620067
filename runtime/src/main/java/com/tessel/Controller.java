package com.tessel;

import java.util.ArrayDeque;
import java.util.ArrayList;
import java.util.Deque;
import java.util.List;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;

/**
 * The application's link to later starts of its executable.
 *
 * <p>In single-instance mode each later start of the executable hands its command line to the
 * running instance; this class passes it on to the registered {@link StartupListener}s:
 *
 * <pre>{@code
 * Controller.addStartupListener(StartupListener.withArguments(arguments ->
 *     SwingUtilities.invokeLater(() -> openDocuments(arguments))));
 * }</pre>
 *
 * <p>A listener receives both the later start's argument text as it was typed and the
 * arguments split by the rule the executable applies to its own command line, so that they
 * are those a first start's {@code main} would receive.
 *
 * <p>Later starts that arrive before the first listener is registered are kept (up to
 * {@value #MAX_PENDING}, the oldest are dropped beyond that) and delivered, in order, as soon as a
 * listener is registered. Deliveries run on one daemon thread of this library, so the launcher's
 * thread never waits for the application and a slow listener only delays later deliveries.
 *
 * <p>All methods are thread-safe.
 */
public final class Controller {

    /** How many later starts are kept while no listener is registered. */
    public static final int MAX_PENDING = 1000;

    private static final Object lock = new Object();
    private static final List<StartupListener> listeners = new ArrayList<>();
    // Holds null texts too, so no ArrayDeque of the texts themselves.
    private static final Deque<Pending> pending = new ArrayDeque<>();
    private static ExecutorService dispatcher;
    private static boolean droppedReported;

    private Controller() {
    }

    /**
     * Registers a listener for later starts. Later starts that arrived before any listener was
     * registered are delivered to it first. Registering the same listener twice makes it receive
     * every start twice.
     *
     * @param listener the listener
     * @throws NullPointerException if {@code listener} is null
     */
    public static void addStartupListener(StartupListener listener) {
        if (listener == null) {
            throw new NullPointerException("listener");
        }
        synchronized (lock) {
            listeners.add(listener);
        }
        dispatcher().execute(Controller::deliverPending);
    }

    /**
     * Removes a listener registered earlier; does nothing when it is not registered.
     *
     * @param listener the listener
     */
    public static void removeStartupListener(StartupListener listener) {
        synchronized (lock) {
            listeners.remove(listener);
        }
    }

    /**
     * Called through JNI by the launcher for each later start of the executable (the launcher
     * reaches it whatever its access); not part of the API. Returns at once: the delivery
     * happens on the library's dispatch thread.
     *
     * @param parameters the later start's argument text, or {@code null} for none
     */
    static void startupPerformed(String parameters) {
        synchronized (lock) {
            if (pending.size() >= MAX_PENDING) {
                pending.removeFirst();
                if (!droppedReported) {
                    droppedReported = true;
                    System.err.println("tessel: no startup listener registered, dropping the"
                            + " oldest of " + MAX_PENDING + " waiting later starts");
                }
            }
            pending.addLast(new Pending(parameters));
        }
        dispatcher().execute(Controller::deliverPending);
    }

    // Runs only on the dispatch thread, which keeps the deliveries in arrival order.
    private static void deliverPending() {
        while (true) {
            Pending next;
            List<StartupListener> receivers;
            synchronized (lock) {
                if (listeners.isEmpty() || pending.isEmpty()) {
                    return;
                }
                next = pending.removeFirst();
                receivers = new ArrayList<>(listeners);
            }
            List<String> arguments = WindowsCommandLine.splitByLauncherRules(next.parameters);
            for (StartupListener receiver : receivers) {
                try {
                    receiver.startupPerformed(next.parameters, arguments);
                } catch (Throwable failure) {
                    // One failing listener must neither stop the others nor the dispatcher.
                    System.err.println("tessel: startup listener " + receiver + " failed:");
                    failure.printStackTrace();
                }
            }
        }
    }

    private static ExecutorService dispatcher() {
        synchronized (lock) {
            if (dispatcher == null) {
                dispatcher = Executors.newSingleThreadExecutor(task -> {
                    Thread thread = new Thread(task, "tessel-startup-listener");
                    thread.setDaemon(true);
                    return thread;
                });
            }
            return dispatcher;
        }
    }

    /** Forgets listeners and waiting starts; for tests of this library. */
    static void reset() {
        synchronized (lock) {
            listeners.clear();
            pending.clear();
            droppedReported = false;
        }
    }

    private static final class Pending {
        final String parameters;

        Pending(String parameters) {
            this.parameters = parameters;
        }
    }
}
