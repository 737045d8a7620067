package com.tessel.runtime;

import java.io.File;
import java.io.FileOutputStream;
import java.io.IOException;
import java.io.PrintStream;

/**
 * Points {@code System.out} and {@code System.err} at the files the launcher names.
 *
 * <p>Files are appended to, so the output of earlier runs is kept; missing parent directories
 * are created. The streams are unbuffered below the print stream, so nothing is lost when the
 * process ends without flushing. A file that cannot be opened leaves its stream as it was and
 * says so on the original standard error: the application still starts.
 */
final class OutputRedirection {

    private OutputRedirection() {
    }

    /** Redirects both streams; a null file name leaves that stream unchanged. */
    static void apply(String errorFile, String outputFile) {
        PrintStream err = null;
        PrintStream out = null;
        if (errorFile != null) {
            err = open(errorFile);
        }
        if (outputFile != null) {
            // One stream for one file: two appenders would cut each other's lines.
            out = err != null && sameFile(errorFile, outputFile) ? err : open(outputFile);
        }
        if (out != null) {
            System.out.flush();
            System.setOut(out);
        }
        if (err != null) {
            System.err.flush();
            System.setErr(err);
        }
    }

    /** Opens a file for appending, or returns null after reporting why it cannot. */
    static PrintStream open(String fileName) {
        if (fileName.startsWith("$")) {
            // The launcher passes such values unchanged; they name no file.
            System.err.println("tessel: not redirecting to \"" + fileName
                    + "\": unresolved variable");
            return null;
        }
        File file = new File(fileName).getAbsoluteFile();
        try {
            File parent = file.getParentFile();
            if (parent != null && !parent.isDirectory() && !parent.mkdirs()
                    && !parent.isDirectory()) {
                throw new IOException("cannot create directory " + parent);
            }
            return new PrintStream(new FileOutputStream(file, true), true);
        } catch (IOException | SecurityException failure) {
            System.err.println("tessel: cannot redirect output to " + file + ": " + failure);
            return null;
        }
    }

    static boolean sameFile(String a, String b) {
        File fa = new File(a).getAbsoluteFile();
        File fb = new File(b).getAbsoluteFile();
        try {
            return fa.getCanonicalFile().equals(fb.getCanonicalFile());
        } catch (IOException e) {
            return fa.equals(fb);
        }
    }
}
