package com.tessel.runtime;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertSame;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.ByteArrayOutputStream;
import java.io.IOException;
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

class OutputRedirectionTest {

    @TempDir
    Path dir;

    private PrintStream savedOut;
    private PrintStream savedErr;
    private final ByteArrayOutputStream originalErr = new ByteArrayOutputStream();

    @BeforeEach
    void saveStreams() {
        savedOut = System.out;
        savedErr = System.err;
        System.setErr(new PrintStream(originalErr, true));
    }

    @AfterEach
    void restoreStreams() {
        if (System.out != savedOut) {
            System.out.close();
        }
        if (System.err != savedErr) {
            System.err.close();
        }
        System.setOut(savedOut);
        System.setErr(savedErr);
    }

    @Test
    void createsMissingDirectoriesAndAppendsToEarlierRuns() throws IOException {
        Path err = dir.resolve("var/log/error.log");
        Path out = dir.resolve("var/log/deeper/output.log");
        Files.createDirectories(err.getParent());
        Files.write(err, "earlier run\n".getBytes(StandardCharsets.UTF_8));

        OutputRedirection.apply(err.toString(), out.toString());
        System.err.println("to error");
        System.out.print("to output, no line end");

        // No flush or close: an ending process must not lose what was printed.
        assertEquals("earlier run\nto error" + System.lineSeparator(), read(err));
        assertEquals("to output, no line end", read(out));
    }

    @Test
    void oneFileForBothStreamsKeepsTheLinesInOrder() throws IOException {
        Path log = dir.resolve("both.log");
        OutputRedirection.apply(log.toString(), dir.resolve("./both.log").toString());
        assertSame(System.out, System.err);
        System.out.println("one");
        System.err.println("two");
        System.out.println("three");
        String n = System.lineSeparator();
        assertEquals("one" + n + "two" + n + "three" + n, read(log));
    }

    @Test
    void nullLeavesAStreamAlone() throws IOException {
        PrintStream err = System.err;
        Path out = dir.resolve("out.log");
        OutputRedirection.apply(null, out.toString());
        assertSame(err, System.err);
        System.out.println("x");
        assertEquals("x" + System.lineSeparator(), read(out));
    }

    @Test
    void unusableTargetsLeaveTheStreamsAloneAndSaySo() throws IOException {
        PrintStream out = System.out;
        PrintStream err = System.err;
        Path blocker = dir.resolve("file");
        Files.write(blocker, new byte[0]);

        // A directory as the file, a file as a parent directory, an unresolved variable.
        OutputRedirection.apply(dir.toString(), blocker.resolve("sub/out.log").toString());
        OutputRedirection.apply("${UNSET}\\err.log", null);

        assertSame(out, System.out);
        assertSame(err, System.err);
        String report = new String(originalErr.toByteArray(), StandardCharsets.UTF_8);
        assertTrue(report.contains("cannot redirect output to " + dir), report);
        assertTrue(report.contains("cannot create directory"), report);
        assertTrue(report.contains("${UNSET}\\err.log"), report);
    }

    private static String read(Path file) throws IOException {
        return new String(Files.readAllBytes(file), StandardCharsets.UTF_8);
    }
}
