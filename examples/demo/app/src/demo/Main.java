package demo;

import com.corvane.runtime.launcher.FirstRun;
import com.tessel.Controller;
import com.tessel.runtime.TesselController;
import java.util.Arrays;
import java.util.concurrent.TimeUnit;

/**
 * The demo application: shows what the launcher hands to a Java program.
 *
 * <p>Options (all optional): {@code --wait=SECONDS} stays that long and prints the command line
 * of every later start of the executable (single-instance mode); {@code --exit=CODE} ends the
 * process with that exit code; {@code --throw} fails with an exception, which the launcher
 * reports as a failed start.
 */
public final class Main {

    private static final String[] PROPERTIES = {"tessel.moduleName", "tessel.tempDir",
        "tessel.semaphoreName", "tessel.isCorvane", "tessel.unextractedPosition",
        "tessel.consoleCodepage", "sun.java.command"};

    private Main() {
    }

    public static void main(String[] args) throws Exception {
        System.out.println("demo: arguments " + args.length + " " + Arrays.toString(args));
        System.out.println("demo: java.version=" + System.getProperty("java.version"));
        for (String name : PROPERTIES) {
            String value = System.getProperty(name);
            if (value != null) {
                System.out.println("demo: " + name + "=" + value);
            }
        }
        if (FirstRun.isFirstRun()) {
            System.out.println("demo: first run");
        }
        Controller.addStartupListener(parameters ->
                System.out.println("demo: later start with " + (parameters == null
                        ? "no arguments" : "arguments " + parameters)));
        TesselController.setSplashText("Demo started");
        TesselController.hideSplash();

        int exitCode = -1;
        for (String arg : args) {
            if (arg.startsWith("--wait=")) {
                long seconds = Long.parseLong(arg.substring("--wait=".length()));
                System.out.println("demo: waiting " + seconds + " s for later starts");
                TimeUnit.SECONDS.sleep(seconds);
            } else if (arg.startsWith("--exit=")) {
                exitCode = Integer.parseInt(arg.substring("--exit=".length()));
            } else if (arg.equals("--throw")) {
                throw new IllegalStateException("demo: failing as asked by --throw");
            }
        }
        System.out.println("demo: done");
        System.out.flush();
        if (exitCode >= 0) {
            System.exit(exitCode);
        }
    }
}
