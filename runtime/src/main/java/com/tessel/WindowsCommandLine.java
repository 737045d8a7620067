package com.tessel;

import java.util.ArrayList;
import java.util.Collections;
import java.util.List;

/**
 * Splits the argument text of a later start into arguments the way Windows programs split
 * their command line (the shell's CommandLineToArgvW, without the program name): blanks and
 * tabs separate arguments outside double quotes; 2n backslashes before a quote become n
 * backslashes and the quote opens or closes a quoted part; 2n+1 backslashes before a quote
 * become n backslashes and a literal quote; other backslashes are literal; three quotes in a row
 * give one literal quote.
 */
final class WindowsCommandLine {

    private WindowsCommandLine() {
    }

    /**
     * The arguments of {@code text}, in order; an empty list for {@code null} or blank text.
     *
     * @param text the argument text, or {@code null}
     * @return an unmodifiable list
     */
    static List<String> split(String text) {
        List<String> arguments = new ArrayList<>();
        if (text == null) {
            return Collections.unmodifiableList(arguments);
        }
        int length = text.length();
        int i = skipBlanks(text, 0);
        if (i == length) {
            return Collections.unmodifiableList(arguments);
        }
        StringBuilder argument = new StringBuilder();
        // Odd: inside a quoted part. Counts the quotes of a run, so that a third one is literal.
        int quotes = 0;
        int backslashes = 0;
        while (i < length) {
            char c = text.charAt(i);
            if (isBlank(c) && quotes == 0) {
                arguments.add(argument.toString());
                argument.setLength(0);
                backslashes = 0;
                i = skipBlanks(text, i);
                if (i == length) {
                    return Collections.unmodifiableList(arguments);
                }
            } else if (c == '\\') {
                argument.append(c);
                backslashes++;
                i++;
            } else if (c == '"') {
                if (backslashes % 2 == 0) {
                    argument.setLength(argument.length() - backslashes / 2);
                    quotes++;
                } else {
                    argument.setLength(argument.length() - backslashes / 2 - 1);
                    argument.append('"');
                }
                backslashes = 0;
                i++;
                while (i < length && text.charAt(i) == '"') {
                    if (++quotes == 3) {
                        argument.append('"');
                        quotes = 0;
                    }
                    i++;
                }
                if (quotes == 2) {
                    quotes = 0;
                }
            } else {
                argument.append(c);
                backslashes = 0;
                i++;
            }
        }
        arguments.add(argument.toString());
        return Collections.unmodifiableList(arguments);
    }

    private static boolean isBlank(char c) {
        return c == ' ' || c == '\t';
    }

    private static int skipBlanks(String text, int from) {
        int i = from;
        while (i < text.length() && isBlank(text.charAt(i))) {
            i++;
        }
        return i;
    }
}
