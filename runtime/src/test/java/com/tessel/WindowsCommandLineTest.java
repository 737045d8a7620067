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
}
