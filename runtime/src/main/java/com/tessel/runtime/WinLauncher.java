package com.tessel.runtime;

import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.lang.reflect.Modifier;

/**
 * The class the launcher calls once the virtual machine runs: it applies the output
 * redirection and starts the application's main class with the application's arguments.
 *
 * <p>Applications do not call this class. Any failure to find or run the main class, and any
 * exception the application's {@code main} throws, leaves this class's {@code main} as an
 * exception, which the launcher reports as a failed start. Before such an exception leaves,
 * {@link #startFailure} says whether the main class was missing or had no {@code main}, so the
 * launcher can tell these apart from an exception of the application itself.
 */
public final class WinLauncher {

    /** Set by the launcher to the module whose main class starts the application. */
    static final String MAIN_MODULE_PROPERTY = "tessel.mainModule";

    /** {@link #startFailure}: the application's main class ran, or nothing failed yet. */
    static final int NO_START_FAILURE = 0;
    /** {@link #startFailure}: the application's main class is not in the class path. */
    static final int MAIN_CLASS_NOT_FOUND = 1;
    /** {@link #startFailure}: the main class has no {@code public static main(String[])}. */
    static final int MAIN_METHOD_NOT_FOUND = 2;

    /** Why the last start failed before the application's main ran; the launcher reads it. */
    static volatile int startFailure = NO_START_FAILURE;

    private WinLauncher() {
    }

    /**
     * Entry point called by the launcher.
     *
     * @param args position 0 "true" for a GUI executable, 1 the application's main class, 2 the
     *     standard error file or "", 3 the standard output file or "", 4 "true" or "false", 5 the
     *     program name as typed, then the application's arguments; with the property
     *     "tessel.mainModule" set, position 1 may be empty for the module's own main class
     * @throws Exception whatever prevents the application from starting, or whatever its
     *     {@code main} throws, unwrapped
     */
    public static void main(String[] args) throws Exception {
        String mainModule = System.getProperty(MAIN_MODULE_PROPERTY, "");
        LauncherArguments launch = LauncherArguments.parse(args, mainModule.isEmpty());
        OutputRedirection.apply(launch.errorFile, launch.outputFile);
        if (!mainModule.isEmpty()) {
            ModuleLaunch.run(mainModule, launch.mainClass, launch.applicationArgumentArray());
            return;
        }
        runMain(launch.mainClass, launch.applicationArgumentArray(), applicationClassLoader());
    }

    /**
     * Waits until the calling thread is the only live non-daemon thread, as
     * {@code DestroyJavaVM} does before it shuts the machine down. The launcher calls it after
     * {@code main} returns (a windowed application's {@code main} returns at once), so that its
     * own threads may still call in while the application runs and stop only once it has ended.
     * Never throws.
     */
    static void awaitApplicationThreads() {
        Thread self = Thread.currentThread();
        boolean interrupted = false;
        for (;;) {
            Thread other = null;
            for (Thread t : Thread.getAllStackTraces().keySet()) {
                if (t != self && t.isAlive() && !t.isDaemon()) {
                    other = t;
                    break;
                }
            }
            if (other == null) {
                break;
            }
            try {
                other.join();
            } catch (InterruptedException e) {
                interrupted = true;
            }
        }
        if (interrupted) {
            self.interrupt();
        }
    }

    /**
     * Receives the text-line settings of the runtime's own splash screen; called by the
     * launcher before {@code main} when that splash is configured. Never throws.
     *
     * @param enabled whether the two lines are drawn
     * @param configFlag a second flag of the configuration, kept but not used
     * @param statusText initial text of the status line
     * @param statusX x of the status line's top-left corner, in pixels
     * @param statusY y of the status line's top-left corner, in pixels
     * @param statusColor colour of the status line as "red,green,blue"
     * @param statusSize font size of the status line, in points
     * @param statusWeight font weight of the status line (400 normal, 700 bold)
     * @param versionText text of the version line
     * @param versionX x of the version line's top-left corner, in pixels
     * @param versionY y of the version line's top-left corner, in pixels
     * @param versionColor colour of the version line as "red,green,blue"
     * @param versionSize font size of the version line, in points
     * @param versionWeight font weight of the version line
     */
    public static void initAwtSplashConfig(boolean enabled, boolean configFlag,
            String statusText, int statusX, int statusY, String statusColor, int statusSize,
            int statusWeight, String versionText, int versionX, int versionY,
            String versionColor, int versionSize, int versionWeight) {
        try {
            SplashTextConfig config = new SplashTextConfig(enabled, configFlag,
                    new SplashTextConfig.Line(statusText, statusX, statusY, statusColor,
                            statusSize, statusWeight),
                    new SplashTextConfig.Line(versionText, versionX, versionY, versionColor,
                            versionSize, versionWeight));
            AwtSplash.configure(config);
            TesselController.useRuntimeSplash();
        } catch (Throwable failure) {
            // The launcher does not check for an exception here; it must not stay pending.
            System.err.println("tessel: ignoring the splash text settings: " + failure);
        }
    }

    /** The loader that holds the application's class path. */
    static ClassLoader applicationClassLoader() {
        ClassLoader loader = Thread.currentThread().getContextClassLoader();
        return loader != null ? loader : ClassLoader.getSystemClassLoader();
    }

    /**
     * Loads {@code className} with {@code loader} and calls its {@code main(String[])}.
     *
     * @throws ClassNotFoundException when the class is not in the class path
     * @throws NoSuchMethodException when it has no static {@code main(String[])}
     */
    static void runMain(String className, String[] args, ClassLoader loader) throws Exception {
        startFailure = NO_START_FAILURE;
        Class<?> mainClass;
        try {
            mainClass = Class.forName(className, true, loader);
        } catch (NoClassDefFoundError missing) {
            // A class whose name differs only in case from its file is this class not found; a
            // dependency of the main class that is missing is the application's own failure.
            String message = String.valueOf(missing.getMessage());
            if (!message.contains("wrong name")
                    && !message.replace('/', '.').equals(className)) {
                throw missing;
            }
            startFailure = MAIN_CLASS_NOT_FOUND;
            throw new ClassNotFoundException("tessel launcher: main class " + className
                    + " not found in the class path " + System.getProperty("java.class.path"),
                    missing);
        } catch (ClassNotFoundException missing) {
            startFailure = MAIN_CLASS_NOT_FOUND;
            ClassNotFoundException failure = new ClassNotFoundException("tessel launcher: main"
                    + " class " + className + " not found in the class path "
                    + System.getProperty("java.class.path"), missing);
            throw failure;
        }
        Method main;
        try {
            main = mainClass.getMethod("main", String[].class);
        } catch (NoSuchMethodException missing) {
            startFailure = MAIN_METHOD_NOT_FOUND;
            throw new NoSuchMethodException("tessel launcher: class " + className
                    + " has no public main(String[]) method");
        }
        if (!Modifier.isStatic(main.getModifiers())) {
            startFailure = MAIN_METHOD_NOT_FOUND;
            throw new NoSuchMethodException("tessel launcher: main(String[]) of class "
                    + className + " is not static");
        }
        // The public main of a non-public class is still a valid entry point.
        main.setAccessible(true);
        try {
            main.invoke(null, (Object) args);
        } catch (InvocationTargetException thrown) {
            throw causeOf(thrown);
        }
    }

    /** What main threw, so that it leaves the launcher as the application threw it. */
    static Exception causeOf(InvocationTargetException thrown) {
        Throwable cause = thrown.getCause();
        if (cause instanceof Exception) {
            return (Exception) cause;
        }
        if (cause instanceof Error) {
            throw (Error) cause;
        }
        return thrown;
    }
}
