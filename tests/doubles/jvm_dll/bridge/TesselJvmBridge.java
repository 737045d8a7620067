import java.io.FileOutputStream;
import java.io.OutputStreamWriter;
import java.io.Writer;
import java.lang.reflect.Field;
import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.nio.charset.StandardCharsets;
import java.util.Arrays;

/**
 * Runs a launcher class's main in a real runtime and reports an exception by exit code 197.
 * Arguments: the report file, the file made when main returned, the launcher class, its
 * arguments. The report file then holds
 * the runtime library's WinLauncher.startFailure (-1 when there is none), the exception's class
 * name, "1" or "0" for whether it has a message, and the message, one per line.
 */
public final class TesselJvmBridge {
  public static void main(String[] args) throws Exception {
    Method main = Class.forName(args[2]).getMethod("main", String[].class);
    try {
      main.invoke(null, (Object) Arrays.copyOfRange(args, 3, args.length));
      new FileOutputStream(args[1]).close();
    } catch (InvocationTargetException e) {
      Throwable cause = e.getCause();
      System.err.print("Exception in thread \"main\" ");
      cause.printStackTrace();
      try (Writer report = new OutputStreamWriter(new FileOutputStream(args[0]),
          StandardCharsets.UTF_8)) {
        String message = cause.getMessage();
        report.write(startFailure() + "\n" + cause.getClass().getName() + "\n"
            + (message != null ? "1" : "0") + "\n" + (message != null ? message : ""));
      }
      System.exit(197);
    }
  }

  private static int startFailure() {
    try {
      Field field = Class.forName("com.tessel.runtime.WinLauncher").getDeclaredField("startFailure");
      field.setAccessible(true);
      return field.getInt(null);
    } catch (ReflectiveOperationException | RuntimeException e) {
      return -1;
    }
  }
}
