package probe;

import java.io.File;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Paths;

/**
 * The code-page matrix's application: prints what reached it, one "probe: name=value" line
 * each, then stays until a file "stop" appears in its working directory (at most a minute), so
 * that a later start can hand its arguments over.
 */
public final class Probe {
    private static final String[] PROPERTIES = {"probe.home", "probe.temp", "probe.vmo",
        "probe.vmodir", "user.dir"};

    private Probe() {
    }

    private static void line(String name, Object value) {
        System.out.println("probe: " + name + "=" + value);
    }

    private static String read(String path) {
        try {
            return new String(Files.readAllBytes(Paths.get(path)), StandardCharsets.UTF_8).trim();
        } catch (Exception e) {
            return "unreadable " + path + ": " + e;
        }
    }

    public static void main(String[] args) throws Exception {
        for (int i = 0; i < args.length; i++) {
            line("arg" + i, args[i]);
        }
        for (String name : PROPERTIES) {
            line(name, System.getProperty(name));
        }
        line("embedded", read(System.getProperty("probe.temp") + File.separator + "note.txt"));
        line("extra", Class.forName("probe.extra.Extra").getMethod("hello").invoke(null));
        line("relative", read("lib" + File.separator + "marker.txt"));
        line("ready", "yes");
        System.out.flush();
        File stop = new File("stop");
        for (int i = 0; i < 600 && !stop.exists(); i++) {
            Thread.sleep(100);
        }
        line("stopped", stop.exists());
    }
}
