package com.tessel.runtime;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNotNull;
import static org.junit.jupiter.api.Assertions.assertSame;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.File;
import java.io.IOException;
import java.net.URL;
import java.net.URLClassLoader;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.concurrent.TimeUnit;
import javax.tools.JavaCompiler;
import javax.tools.ToolProvider;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

class WinLauncherTest {

    @TempDir
    Path dir;

    static volatile String[] received;

    public static class RecordingMain {
        public static void main(String[] args) {
            received = args;
        }
    }

    static class PackagePrivateMain {
        public static void main(String[] args) {
            received = args;
        }
    }

    public static class ThrowingMain {
        static final IllegalStateException FAILURE = new IllegalStateException("app failed");

        public static void main(String[] args) {
            throw FAILURE;
        }
    }

    public static class CheckedThrowingMain {
        public static void main(String[] args) throws IOException {
            throw new IOException("no config");
        }
    }

    public static class NoMain {
    }

    public static class InstanceMain {
        public void main(String[] args) {
        }
    }

    public static class FailingInitializer {
        static {
            if (true) {
                throw new IllegalStateException("static init failed");
            }
        }

        public static void main(String[] args) {
        }
    }

    public static class AnotherFailingInitializer {
        static {
            if (true) {
                throw new IllegalStateException("static init failed");
            }
        }

        public static void main(String[] args) {
        }
    }

    @Test
    void callsTheMainClassWithTheApplicationArgumentsOnly() throws Exception {
        received = null;
        WinLauncher.main(new String[] {"false", RecordingMain.class.getName(), "", "", "true",
            "C:\\Apps\\demo.exe", "--configured", "user arg", ""});
        assertArrayEquals(new String[] {"--configured", "user arg", ""}, received);

        received = null;
        WinLauncher.main(new String[] {"false", PackagePrivateMain.class.getName(), "", "",
            "true"});
        assertArrayEquals(new String[0], received);
    }

    @Test
    void loadsTheMainClassFromTheContextClassLoader() throws Exception {
        Path classes = compile("org.example.Hello",
                "package org.example; public class Hello { public static void main(String[] a)"
                + " { System.setProperty(\"hello.args\", String.join(\"|\", a)); } }");
        ClassLoader saved = Thread.currentThread().getContextClassLoader();
        try (URLClassLoader appLoader = new URLClassLoader(new URL[] {classes.toUri().toURL()},
                saved)) {
            Thread.currentThread().setContextClassLoader(appLoader);
            WinLauncher.main(new String[] {"true", "org.example.Hello", "", "", "false", "x.exe",
                "a", "b c"});
        } finally {
            Thread.currentThread().setContextClassLoader(saved);
            assertEquals("a|b c", System.clearProperty("hello.args"));
        }
        // Not in this test's own class path: only the context loader could find it.
        assertThrows(ClassNotFoundException.class,
                () -> WinLauncher.main(new String[] {"true", "org.example.Hello", "", "", "true"}));
    }

    @Test
    void failuresToStartSurfaceAsExceptionsThatNameTheClass() {
        ClassNotFoundException missing = assertThrows(ClassNotFoundException.class,
                () -> launch("org.example.Missing"));
        assertTrue(missing.getMessage().contains("org.example.Missing"), missing.getMessage());

        NoSuchMethodException noMain = assertThrows(NoSuchMethodException.class,
                () -> launch(NoMain.class.getName()));
        assertTrue(noMain.getMessage().contains(NoMain.class.getName()), noMain.getMessage());
        NoSuchMethodException notStatic = assertThrows(NoSuchMethodException.class,
                () -> launch(InstanceMain.class.getName()));
        assertTrue(notStatic.getMessage().contains("not static"), notStatic.getMessage());

        assertThrows(ExceptionInInitializerError.class,
                () -> launch(FailingInitializer.class.getName()));
        assertThrows(IllegalArgumentException.class,
                () -> WinLauncher.main(new String[] {"true"}));
    }

    /** The launcher tells a missing class or main apart from the application's own failure. */
    @Test
    void theReasonForAFailedStartIsLeftForTheLauncher() throws Exception {
        assertThrows(ClassNotFoundException.class, () -> launch("org.example.Missing"));
        assertEquals(WinLauncher.MAIN_CLASS_NOT_FOUND, WinLauncher.startFailure);
        assertThrows(NoSuchMethodException.class, () -> launch(NoMain.class.getName()));
        assertEquals(WinLauncher.MAIN_METHOD_NOT_FOUND, WinLauncher.startFailure);
        assertThrows(NoSuchMethodException.class, () -> launch(InstanceMain.class.getName()));
        assertEquals(WinLauncher.MAIN_METHOD_NOT_FOUND, WinLauncher.startFailure);

        // The application's own exceptions, from main or from its class's initialiser, and a
        // class the main class needs but that is missing, are not a missing main class.
        assertThrows(IllegalStateException.class, () -> launch(ThrowingMain.class.getName()));
        assertEquals(WinLauncher.NO_START_FAILURE, WinLauncher.startFailure);
        assertThrows(ExceptionInInitializerError.class,
                () -> launch(AnotherFailingInitializer.class.getName()));
        assertEquals(WinLauncher.NO_START_FAILURE, WinLauncher.startFailure);
        // A class whose initialiser failed before cannot be loaded again: not a missing class.
        assertThrows(NoClassDefFoundError.class,
                () -> launch(AnotherFailingInitializer.class.getName()));
        assertEquals(WinLauncher.NO_START_FAILURE, WinLauncher.startFailure);

        Path classes = compile("org.example.Needy", "package org.example; public class Needy"
                + " extends Base { public static void main(String[] a) { } } class Base { }");
        Files.delete(classes.resolve("org/example/Base.class"));
        try (URLClassLoader appLoader = new URLClassLoader(new URL[] {classes.toUri().toURL()},
                getClass().getClassLoader())) {
            NoClassDefFoundError dependency = assertThrows(NoClassDefFoundError.class,
                    () -> WinLauncher.runMain("org.example.Needy", new String[0], appLoader));
            assertTrue(dependency.getMessage().contains("Base"), dependency.getMessage());
            assertEquals(WinLauncher.NO_START_FAILURE, WinLauncher.startFailure);
        }
    }

    @Test
    void theApplicationsOwnExceptionComesOutUnwrapped() {
        IllegalStateException thrown = assertThrows(IllegalStateException.class,
                () -> launch(ThrowingMain.class.getName()));
        assertSame(ThrowingMain.FAILURE, thrown);
        IOException checked = assertThrows(IOException.class,
                () -> launch(CheckedThrowingMain.class.getName()));
        assertEquals("no config", checked.getMessage());
    }

    /** A windowed application's main returns at once; its threads go on until they end. */
    @Test
    void awaitingTheApplicationReturnsOnlyOnceItsNonDaemonThreadsEnded() throws Exception {
        long[] ended = new long[1];
        Thread worker = new Thread(() -> {
            sleep(300);
            ended[0] = System.nanoTime();
        });
        Thread daemon = new Thread(() -> sleep(60_000));
        daemon.setDaemon(true);
        daemon.start();
        worker.start();
        WinLauncher.awaitApplicationThreads();
        long returned = System.nanoTime();
        assertTrue(!worker.isAlive() && ended[0] != 0 && returned >= ended[0]);
        assertTrue(daemon.isAlive(), "daemon threads are not waited for");
        daemon.interrupt();
    }

    private static void sleep(long millis) {
        try {
            Thread.sleep(millis);
        } catch (InterruptedException e) {
            Thread.currentThread().interrupt();
        }
    }

    /** The launcher class in a fresh virtual machine, as the launcher runs it. */
    @Test
    void inAFreshVirtualMachineRedirectsOutputAndReportsAMissingClass() throws Exception {
        Path classes = compile("Greeter", "public class Greeter { public static void main("
                + "String[] a) { System.out.println(\"hello \" + a[0]); System.err.println("
                + "\"warn\"); } }");
        Path out = dir.resolve("var/log/output.log");
        Path err = dir.resolve("var/log/error.log");
        Result ok = runJava(classes, "false", "Greeter", err.toString(), out.toString(), "true",
                "demo.exe", "world");
        assertEquals(0, ok.exitCode, ok.output);
        assertEquals("hello world" + System.lineSeparator(), read(out));
        assertEquals("warn" + System.lineSeparator(), read(err));

        Result missing = runJava(classes, "false", "Absent", "", "", "true", "demo.exe");
        assertTrue(missing.exitCode != 0);
        assertTrue(missing.output.contains("ClassNotFoundException"), missing.output);
        assertTrue(missing.output.contains("Absent"), missing.output);
    }

    /** Applications often ship a runtime linked from a few modules, without the desktop one. */
    @Test
    void theWholeApiWorksOnARuntimeWithoutTheDesktopModule() throws Exception {
        Path classes = compile("Small", "public class Small { public static void main(String[] a)"
                + " throws Exception {"
                + " System.out.println(\"first run \" + "
                + "com.corvane.runtime.launcher.FirstRun.isFirstRun());"
                + " java.util.concurrent.CountDownLatch heard = new java.util.concurrent.CountDownLatch(1);"
                + " com.tessel.Controller.addStartupListener(p -> {"
                + " System.out.println(\"later \" + p); heard.countDown(); });"
                + " java.lang.reflect.Method later = com.tessel.Controller.class"
                + ".getDeclaredMethod(\"startupPerformed\", String.class);"
                + " later.setAccessible(true); later.invoke(null, \"--open x\");"
                + " com.tessel.runtime.TesselController.setSplashText(\"loading\");"
                + " com.tessel.runtime.TesselController.hideSplash();"
                + " heard.await(30, java.util.concurrent.TimeUnit.SECONDS); } }");
        Result run = runJava(Arrays.asList("--limit-modules", "java.base"), classes, "false",
                "Small", "", "", "true", "small.exe");
        assertEquals(0, run.exitCode, run.output);
        assertEquals("first run false" + System.lineSeparator() + "later --open x"
                + System.lineSeparator(), run.output);
    }

    private static void launch(String mainClass) throws Exception {
        WinLauncher.main(new String[] {"false", mainClass, "", "", "true", "app.exe"});
    }

    private Path compile(String className, String source) throws IOException {
        Path src = dir.resolve("src");
        Path classes = dir.resolve("classes");
        Files.createDirectories(src);
        Files.createDirectories(classes);
        Path file = src.resolve(className.substring(className.lastIndexOf('.') + 1) + ".java");
        Files.write(file, source.getBytes(StandardCharsets.UTF_8));
        JavaCompiler javac = ToolProvider.getSystemJavaCompiler();
        assertNotNull(javac, "tests need a JDK");
        assertEquals(0, javac.run(null, null, null, "-cp", libraryClasses().toString(), "-d",
                classes.toString(), file.toString()));
        return classes;
    }

    private static Path libraryClasses() {
        try {
            return Paths.get(
                    WinLauncher.class.getProtectionDomain().getCodeSource().getLocation().toURI());
        } catch (java.net.URISyntaxException e) {
            throw new AssertionError(e);
        }
    }

    private static final class Result {
        final int exitCode;
        final String output;

        Result(int exitCode, String output) {
            this.exitCode = exitCode;
            this.output = output;
        }
    }

    private Result runJava(Path appClasses, String... launcherArgs) throws Exception {
        return runJava(Arrays.<String>asList(), appClasses, launcherArgs);
    }

    private Result runJava(List<String> vmOptions, Path appClasses, String... launcherArgs)
            throws Exception {
        String java = Paths.get(System.getProperty("java.home"), "bin", "java").toString();
        // The library's own classes, not this process's class path (the test runner's jar).
        String classPath = libraryClasses() + File.pathSeparator + appClasses;
        List<String> command = new ArrayList<>();
        command.add(java);
        command.addAll(vmOptions);
        command.addAll(Arrays.asList("-cp", classPath, WinLauncher.class.getName()));
        command.addAll(Arrays.asList(launcherArgs));
        Path log = dir.resolve("child.log");
        Process child = new ProcessBuilder(command).redirectErrorStream(true)
                .redirectOutput(log.toFile()).start();
        if (!child.waitFor(60, TimeUnit.SECONDS)) {
            child.destroyForcibly();
            throw new AssertionError("child virtual machine did not end");
        }
        return new Result(child.exitValue(), read(log));
    }

    private static String read(Path file) throws IOException {
        return new String(Files.readAllBytes(file), StandardCharsets.UTF_8);
    }
}
