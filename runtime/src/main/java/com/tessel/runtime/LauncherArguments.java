package com.tessel.runtime;

import java.util.Arrays;
import java.util.List;

/**
 * The argument array the launcher passes to {@link WinLauncher#main(String[])}: five fixed
 * positions, the program name, then the application's own arguments.
 */
final class LauncherArguments {

    static final int FIXED_COUNT = 5;

    final boolean guiExecutable;
    final String mainClass;
    /** Null when standard error is not redirected. */
    final String errorFile;
    /** Null when standard output is not redirected. */
    final String outputFile;
    final boolean flagFive;
    /** The executable as typed on the command line; null when the launcher passed none. */
    final String programName;
    final List<String> applicationArguments;

    private LauncherArguments(String[] args) {
        guiExecutable = "true".equals(args[0]);
        // Tolerate the slash form; class loaders only know the dotted one.
        mainClass = args[1].trim().replace('/', '.');
        errorFile = emptyToNull(args[2]);
        outputFile = emptyToNull(args[3]);
        flagFive = "true".equals(args[4]);
        programName = args.length > FIXED_COUNT ? args[FIXED_COUNT] : null;
        applicationArguments = args.length > FIXED_COUNT + 1
                ? Arrays.asList(Arrays.copyOfRange(args, FIXED_COUNT + 1, args.length))
                : Arrays.<String>asList();
    }

    /**
     * Reads the launcher's argument array.
     *
     * @throws IllegalArgumentException when a fixed position is missing or no main class is named
     */
    static LauncherArguments parse(String[] args) {
        return parse(args, true);
    }

    /**
     * Reads the launcher's argument array; a module launch may leave the main class empty.
     *
     * @throws IllegalArgumentException when a fixed position is missing, or no main class is
     *     named while one is required
     */
    static LauncherArguments parse(String[] args, boolean mainClassRequired) {
        if (args == null || args.length < FIXED_COUNT) {
            throw new IllegalArgumentException("tessel launcher: expected at least "
                    + FIXED_COUNT + " launcher arguments, got "
                    + (args == null ? 0 : args.length));
        }
        for (int i = 0; i < FIXED_COUNT; i++) {
            if (args[i] == null) {
                throw new IllegalArgumentException(
                        "tessel launcher: launcher argument " + i + " is null");
            }
        }
        LauncherArguments parsed = new LauncherArguments(args);
        if (mainClassRequired && parsed.mainClass.isEmpty()) {
            throw new IllegalArgumentException("tessel launcher: no main class configured");
        }
        return parsed;
    }

    String[] applicationArgumentArray() {
        return applicationArguments.toArray(new String[0]);
    }

    private static String emptyToNull(String value) {
        return value.isEmpty() ? null : value;
    }
}
