package com.tessel.runtime;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import org.junit.jupiter.api.Test;

class LauncherArgumentsTest {

    @Test
    void readsEveryPositionAndKeepsTheApplicationArgumentsAsGiven() {
        LauncherArguments a = LauncherArguments.parse(new String[] {"true", "org.example.App",
            "C:\\app\\var\\log\\error.log", "C:\\app\\var\\log\\output.log", "false",
            "app.exe", "--configured", "", "\"quoted arg\"", "-J-Xmx1g", "Grüße"});
        assertTrue(a.guiExecutable);
        assertEquals("org.example.App", a.mainClass);
        assertEquals("C:\\app\\var\\log\\error.log", a.errorFile);
        assertEquals("C:\\app\\var\\log\\output.log", a.outputFile);
        assertFalse(a.flagFive);
        assertEquals("app.exe", a.programName);
        assertArrayEquals(new String[] {"--configured", "", "\"quoted arg\"", "-J-Xmx1g", "Grüße"},
                a.applicationArgumentArray());
    }

    @Test
    void emptyFileNamesMeanNoRedirectionAndTheProgramNameMayBeAbsent() {
        LauncherArguments a = LauncherArguments.parse(
                new String[] {"false", "org/example/App", "", "", "true"});
        assertFalse(a.guiExecutable);
        assertEquals("org.example.App", a.mainClass);
        assertNull(a.errorFile);
        assertNull(a.outputFile);
        assertTrue(a.flagFive);
        assertNull(a.programName);
        assertEquals(0, a.applicationArgumentArray().length);

        a = LauncherArguments.parse(new String[] {"false", "App", "", "", "true", "app.exe"});
        assertEquals("app.exe", a.programName);
        assertEquals(0, a.applicationArgumentArray().length);
    }

    @Test
    void incompleteArgumentsAreRejectedWithAReason() {
        assertThrows(IllegalArgumentException.class, () -> LauncherArguments.parse(null));
        IllegalArgumentException e = assertThrows(IllegalArgumentException.class,
                () -> LauncherArguments.parse(new String[] {"true", "App", "", ""}));
        assertTrue(e.getMessage().contains("got 4"), e.getMessage());
        assertThrows(IllegalArgumentException.class,
                () -> LauncherArguments.parse(new String[] {"true", null, "", "", "true"}));
        e = assertThrows(IllegalArgumentException.class,
                () -> LauncherArguments.parse(new String[] {"true", "  ", "", "", "true", "x"}));
        assertTrue(e.getMessage().contains("no main class"), e.getMessage());
    }
}
