package com.tessel.maven;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.HashMap;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import java.util.regex.Matcher;
import java.util.regex.Pattern;

import org.apache.maven.plugin.MojoFailureException;

/**
 * A tessel project file completed by the pom's settings: each goes into its section of the
 * given file (or a new section at its end), and every line of the result remembers where it
 * came from, so that the tool's "FILE:LINE:" messages can name the user's file and line.
 */
final class ProjectText {
    private static final Pattern HEADER = Pattern.compile("^\\s*\\[\\s*([A-Za-z0-9_.-]+)\\s*\\]\\s*(#.*)?$");
    private static final Pattern KEY = Pattern.compile("^\\s*([A-Za-z0-9_-]+)\\s*=");
    static final String FROM_POM = "the tessel plug-in's <configuration> in the pom";

    private final Path original;   // null without a project file
    private final Path written;    // where the completed text goes
    private final List<String> lines = new ArrayList<>();
    private final List<Integer> origin = new ArrayList<>();  // original line, 0 for the pom's
    private final Map<String, Integer> given = new HashMap<>();  // "section.key" -> original line
    private final Map<String, List<String>> newSections = new LinkedHashMap<>();

    private ProjectText(Path original, Path written) {
        this.original = original;
        this.written = written;
    }

    /** The project file's text (none when `file` is null), to be written in `work` or beside it. */
    static ProjectText read(Path file, Path work, String name) throws IOException {
        if (file == null) return new ProjectText(null, work.resolve(name + ".toml"));
        // Beside the original, so that its relative paths keep their meaning.
        Path absolute = file.toAbsolutePath();
        ProjectText t = new ProjectText(absolute, absolute.resolveSibling("." + name + ".tessel-maven.toml"));
        String section = "";
        int n = 0;
        for (String line : Files.readAllLines(absolute, StandardCharsets.UTF_8)) {
            ++n;
            t.lines.add(line);
            t.origin.add(n);
            Matcher h = HEADER.matcher(line);
            if (h.matches()) {
                section = h.group(1);
                continue;
            }
            if (line.trim().startsWith("[")) {
                section = "[[]]";  // an array of tables: nothing of ours goes there
                continue;
            }
            Matcher k = KEY.matcher(line);
            if (k.find()) t.given.put(section + "." + k.group(1), n);
        }
        return t;
    }

    /** A TOML basic string. */
    static String string(String text) {
        StringBuilder b = new StringBuilder("\"");
        for (char c : text.toCharArray()) {
            if (c == '"' || c == '\\') b.append('\\').append(c);
            else if (c < 0x20) b.append(String.format("\\u%04X", (int) c));
            else b.append(c);
        }
        return b.append('"').toString();
    }

    /**
     * Sets `key` in `section` unless the project file does; a setting the pom gives explicitly
     * (`explicit`) and the file gives too is a mistake, named with the file's line.
     */
    void set(String section, String key, String value, boolean explicit) throws MojoFailureException {
        Integer line = given.get(section + "." + key);
        if (line != null) {
            if (explicit) {
                throw new MojoFailureException("tessel: [" + section + "] " + key + " is set in the pom and in "
                                               + original + " on line " + line + "; keep one");
            }
            return;
        }
        given.put(section + "." + key, 0);
        String entry = key + " = " + value;
        for (int i = 0; i < lines.size(); ++i) {
            Matcher h = HEADER.matcher(lines.get(i));
            if (origin.get(i) > 0 && h.matches() && h.group(1).equals(section)) {
                lines.add(i + 1, entry);
                origin.add(i + 1, 0);
                return;
            }
        }
        newSections.computeIfAbsent(section, s -> new ArrayList<>()).add(entry);
    }

    /** Writes the completed text; returns its path. */
    Path write() throws IOException {
        List<String> out = new ArrayList<>(lines);
        List<Integer> from = new ArrayList<>(origin);
        for (Map.Entry<String, List<String>> s : newSections.entrySet()) {
            out.add("[" + s.getKey() + "]");
            from.add(0);
            for (String entry : s.getValue()) {
                out.add(entry);
                from.add(0);
            }
        }
        origin.clear();
        origin.addAll(from);
        Files.createDirectories(written.getParent());
        Files.write(written, out, StandardCharsets.UTF_8);
        return written;
    }

    /** True when the completed text lies beside the user's file and is to be removed. */
    boolean isTemporary() {
        return original != null;
    }

    Path path() {
        return written;
    }

    /** A line of the tool's output with the completed file's "PATH:LINE:" put back in the user's terms. */
    String explain(String message) {
        String prefix = written.toString() + ":";
        if (!message.startsWith(prefix)) return message;
        Matcher m = Pattern.compile("^(\\d+):").matcher(message.substring(prefix.length()));
        if (!m.find()) return (original != null ? original.toString() : FROM_POM) + ":" + message.substring(prefix.length());
        int line = Integer.parseInt(m.group(1));
        String rest = message.substring(prefix.length() + m.end());
        int source = line >= 1 && line <= origin.size() ? origin.get(line - 1) : 0;
        return source > 0 ? original + ":" + source + ":" + rest : FROM_POM + ":" + rest;
    }

    /** "1.2.3" of "1.2.3-SNAPSHOT"; null when the version does not start with a number. */
    static String numericStart(String version) {
        if (version == null) return null;
        java.util.regex.Matcher m = java.util.regex.Pattern.compile("^(\\d{1,5})(\\.\\d{1,5}){0,3}(?!\\d)").matcher(version);
        if (!m.find()) return null;
        for (String part : m.group().split("\\.")) {
            if (Integer.parseInt(part) > 65535) return null;
        }
        return m.group();
    }
}
