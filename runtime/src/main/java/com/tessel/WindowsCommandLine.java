package com.tessel;

import java.util.ArrayList;
import java.util.Collections;
import java.util.List;

/**
 * Splits the argument text of a later start into arguments by the rule of the executable that
 * received it (the system property {@code tessel.argumentRules}), so that a later start gets
 * the arguments a first start would:
 *
 * <ul>
 *   <li>{@code windows}: the Microsoft C runtime's rules, as the launcher applies them: blanks
 *       and tabs separate arguments outside double quotes; 2n backslashes before a quote become
 *       n backslashes and the quote opens or closes a quoted part; 2n+1 backslashes before a
 *       quote become n backslashes and a literal quote; other backslashes are literal; inside a
 *       quoted part two quotes give one literal quote and the part goes on.
 *   <li>{@code launcher}: the launcher's own rule: only the blank separates, double quotes and
 *       apostrophes both quote (the other kind is then an ordinary character), no escapes.
 *   <li>absent (a launcher older than the property): the shell's CommandLineToArgvW, as this
 *       library always did: like {@code windows}, but three quotes in a row give one quote.
 * </ul>
 */
final class WindowsCommandLine {

    static final String RULES_PROPERTY = "tessel.argumentRules";

    private WindowsCommandLine() {
    }

    /**
     * The arguments of {@code text} by the rule the launcher named in the system property.
     *
     * @param text the argument text, or {@code null}
     * @return an unmodifiable list
     */
    static List<String> splitByLauncherRules(String text) {
        return split(text, System.getProperty(RULES_PROPERTY));
    }

    /**
     * The arguments of {@code text} by the named rule ({@code windows}, {@code launcher}, or
     * {@code null} for CommandLineToArgvW).
     *
     * @param text the argument text, or {@code null}
     * @param rules the rule's name, or {@code null}
     * @return an unmodifiable list
     */
    static List<String> split(String text, String rules) {
        if ("windows".equals(rules)) {
            return splitByRuntimeRules(text);
        }
        if ("launcher".equals(rules)) {
            return splitByOwnRule(text);
        }
        return split(text);
    }

    private static List<String> splitByRuntimeRules(String text) {
        List<String> arguments = new ArrayList<>();
        int length = text == null ? 0 : text.length();
        int i = 0;
        while (true) {
            i = skipBlanks(text == null ? "" : text, i);
            if (i >= length) {
                return Collections.unmodifiableList(arguments);
            }
            StringBuilder argument = new StringBuilder();
            boolean quoted = false;
            while (true) {
                int backslashes = 0;
                while (i < length && text.charAt(i) == '\\') {
                    i++;
                    backslashes++;
                }
                boolean copy = true;
                if (i < length && text.charAt(i) == '"') {
                    if (backslashes % 2 == 0) {
                        if (quoted && i + 1 < length && text.charAt(i + 1) == '"') {
                            i++;
                        } else {
                            copy = false;
                            quoted = !quoted;
                        }
                    }
                    backslashes /= 2;
                }
                for (int k = 0; k < backslashes; k++) {
                    argument.append('\\');
                }
                if (i >= length || (!quoted && isBlank(text.charAt(i)))) {
                    break;
                }
                if (copy) {
                    argument.append(text.charAt(i));
                }
                i++;
            }
            arguments.add(argument.toString());
        }
    }

    private static List<String> splitByOwnRule(String text) {
        List<String> arguments = new ArrayList<>();
        int length = text == null ? 0 : text.length();
        int p = 0;
        while (p < length) {
            int special = p;
            while (special < length && " \"'".indexOf(text.charAt(special)) < 0) {
                special++;
            }
            if (special == length) {
                arguments.add(text.substring(p));
                break;
            }
            char c = text.charAt(special);
            if (c == ' ') {
                if (special != p) {
                    arguments.add(text.substring(p, special));
                }
                p = special + 1;
                continue;
            }
            int close = text.indexOf(c, special + 1);
            if (close < 0) {
                arguments.add(text.substring(p, special) + text.substring(special + 1));
                break;
            }
            arguments.add(text.substring(p, special) + text.substring(special + 1, close));
            p = close + 1 < length && text.charAt(close + 1) == ' ' ? close + 2 : close + 1;
        }
        return Collections.unmodifiableList(arguments);
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
