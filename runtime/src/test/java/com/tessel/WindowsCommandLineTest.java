package com.tessel;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;

import java.util.Arrays;
import java.util.Collections;
import java.util.List;
import org.junit.jupiter.api.Test;

class WindowsCommandLineTest {

    private static void splits(String text, String... expected) {
        assertEquals(Arrays.asList(expected), WindowsCommandLine.split(text), text);
    }

    @Test
    void blanksSeparateAndQuotesGroup() {
        splits(null);
        splits("");
        splits(" \t ");
        splits("a", "a");
        splits("  a \t b  ", "a", "b");
        splits("\"C:\\My Files\\a.txt\" -x", "C:\\My Files\\a.txt", "-x");
        splits("\"abc\" d e", "abc", "d", "e");
        splits("d\"e f\"g h", "de fg", "h");
        splits("\"\"", "");
        splits("a \"\" b", "a", "", "b");
        splits("\"unterminated text", "unterminated text");
        splits("caf\u00e9 \u65e5\u672c", "caf\u00e9", "\u65e5\u672c");
    }

    @Test
    void backslashesAreLiteralUnlessTheyPrecedeAQuote() {
        splits("a\\\\\\b", "a\\\\\\b");
        splits("C:\\dir\\ x", "C:\\dir\\", "x");
        splits("a\\\\\\\"b c d", "a\\\"b", "c", "d");
        splits("a\\\\\\\\\"b c\" d e", "a\\\\b c", "d", "e");
        splits("\"C:\\dir\\\\\" next", "C:\\dir\\", "next");
        splits("\\\"quoted\\\"", "\"quoted\"");
    }

    @Test
    void runsOfQuotes() {
        // Inside a quoted part a doubled quote ends it and gives one quote; three give one.
        splits("\"a\"\"b\"", "a\"b");
        splits("a\"b\"\" c d", "ab\"", "c", "d");
        splits("\"\"\"", "\"");
        // The fourth opens a quoted part again, which runs to the end.
        splits("\"\"\"\" x", "\" x");
    }

    @Test
    void theListCannotBeChanged() {
        List<String> arguments = WindowsCommandLine.split("a b");
        assertThrows(UnsupportedOperationException.class, () -> arguments.add("c"));
        assertEquals(Collections.emptyList(), WindowsCommandLine.split(null));
    }

    private static void splitsBy(String rules, String text, String... expected) {
        assertEquals(Arrays.asList(expected), WindowsCommandLine.split(text, rules), rules + ": " + text);
    }

    @Test
    void windowsRulesAreTheCRuntimes() {
        // The launcher's native splitter gives the same for the same texts (argument_list_test).
        splitsBy("windows", "\"abc\" d e", "abc", "d", "e");
        splitsBy("windows", "a\\\\b d\"e f\"g h", "a\\\\b", "de fg", "h");
        splitsBy("windows", "a\\\\\\\"b c d", "a\\\"b", "c", "d");
        splitsBy("windows", "a\\\\\\\\\"b c\" d e", "a\\\\b c", "d", "e");
        splitsBy("windows", "a\"b\"\" c d", "ab\" c d");
        splitsBy("windows", "-e \"(println (str \\\"sum=\\\" 42))\" O'Neil.txt b.txt",
                "-e", "(println (str \"sum=\" 42))", "O'Neil.txt", "b.txt");
        splitsBy("windows", "'it is'", "'it", "is'");
        splitsBy("windows", "\"unterminated text", "unterminated text");
        splitsBy("windows", " \t a\tb  ", "a", "b");
        splitsBy("windows", "trailing\\", "trailing\\");
        splitsBy("windows", null);
    }

    @Test
    void launcherRuleQuotesWithBothQuotes() {
        splitsBy("launcher", "a  b", "a", "b");
        splitsBy("launcher", "\"a b\" c", "a b", "c");
        splitsBy("launcher", "-Dx=\"a b\"", "-Dx=a b");
        splitsBy("launcher", "'it is'", "it is");
        splitsBy("launcher", "\"a'b\"", "a'b");
        splitsBy("launcher", "\"a b\"c", "a b", "c");
        splitsBy("launcher", "\"\" x", "", "x");
        splitsBy("launcher", "\"abc", "abc");
        splitsBy("launcher", "a\tb", "a\tb");
        splitsBy("launcher", "x'y z'w", "xy z", "w");
        splitsBy("launcher", "O'Neil.txt b.txt", "ONeil.txt b.txt");
        splitsBy("launcher", null);
    }

    @Test
    void withoutTheRulesPropertyTheShellsRuleStays() {
        splitsBy(null, "a\"b\"\" c d", "ab\"", "c", "d");
        String saved = System.getProperty(WindowsCommandLine.RULES_PROPERTY);
        try {
            System.setProperty(WindowsCommandLine.RULES_PROPERTY, "windows");
            assertEquals(Arrays.asList("ab\" c d"), WindowsCommandLine.splitByLauncherRules("a\"b\"\" c d"));
        } finally {
            if (saved == null) {
                System.clearProperty(WindowsCommandLine.RULES_PROPERTY);
            } else {
                System.setProperty(WindowsCommandLine.RULES_PROPERTY, saved);
            }
        }
    }
}
