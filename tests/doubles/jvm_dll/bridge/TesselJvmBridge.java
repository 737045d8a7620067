import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.util.Arrays;

/** Runs a launcher class's main in a real runtime and reports an exception by exit code 197. */
public final class TesselJvmBridge {
  public static void main(String[] args) throws Exception {
    Method main = Class.forName(args[0]).getMethod("main", String[].class);
    try {
      main.invoke(null, (Object) Arrays.copyOfRange(args, 1, args.length));
    } catch (InvocationTargetException e) {
      System.err.print("Exception in thread \"main\" ");
      e.getCause().printStackTrace();
      System.exit(197);
    }
  }
}
