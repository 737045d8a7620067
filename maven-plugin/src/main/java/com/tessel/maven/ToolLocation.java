package com.tessel.maven;

import java.io.File;
import java.io.IOException;
import java.io.InputStream;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardCopyOption;
import java.util.Locale;

import org.apache.maven.plugin.MojoFailureException;
import org.apache.maven.plugin.logging.Log;

/** The tessel tool that builds: the plug-in's own copy for this host, or an installed one. */
final class ToolLocation {
    private static final String RESOURCES = "/com/tessel/maven/tool/";
    final Path tool;
    final Path runtimeLibrary;

    private ToolLocation(Path tool, Path runtimeLibrary) {
        this.tool = tool;
        this.runtimeLibrary = runtimeLibrary;
    }

    /** The resource folder of the copy for this host, or null for a host the plug-in does not carry. */
    static String hostFolder(String os, String arch) {
        String o = os.toLowerCase(Locale.ROOT);
        boolean x64 = arch.equals("amd64") || arch.equals("x86_64");
        if (o.startsWith("linux") && x64) return "linux-x86_64/tessel";
        if (o.startsWith("windows") && x64) return "windows-x64/tessel.exe";
        return null;
    }

    static ToolLocation find(File configured, Path work, Log log) throws IOException, MojoFailureException {
        if (configured != null) return installed(configured.toPath(), "<tesselExecutable>");
        String carried = hostFolder(System.getProperty("os.name"), System.getProperty("os.arch"));
        if (carried != null) return extract(carried, work.resolve("tool"));
        String exe = System.getProperty("os.name").toLowerCase(Locale.ROOT).startsWith("windows") ? "tessel.exe" : "tessel";
        for (String dir : System.getenv().getOrDefault("PATH", "").split(File.pathSeparator)) {
            Path candidate = dir.isEmpty() ? null : new File(dir, exe).toPath();
            if (candidate != null && candidate.isAbsolute() && Files.isExecutable(candidate)) {
                log.info("tessel: using the installed " + candidate);
                return installed(candidate, "the tessel on the PATH");
            }
        }
        throw new MojoFailureException("tessel: the plug-in carries tessel for linux-x86_64 and windows-x64, not for "
                                       + System.getProperty("os.name") + " " + System.getProperty("os.arch")
                                       + "; install tessel there and put it on the PATH, or name it in <tesselExecutable>");
    }

    // An installation keeps its library beside the tool or in ../share/tessel.
    private static ToolLocation installed(Path tool, String what) throws MojoFailureException {
        if (!Files.isRegularFile(tool)) throw new MojoFailureException("tessel: " + what + " " + tool + " does not exist");
        Path dir = tool.toAbsolutePath().getParent();
        for (Path library : new Path[] {dir.resolve("tessel-runtime.jar"),
                                        dir.resolveSibling("share").resolve("tessel").resolve("tessel-runtime.jar")}) {
            if (Files.isRegularFile(library)) return new ToolLocation(tool, library);
        }
        throw new MojoFailureException("tessel: no tessel-runtime.jar beside " + tool + " or in ../share/tessel");
    }

    // The tool finds the template beside itself, so the three files go into one folder.
    private static ToolLocation extract(String carried, Path dir) throws IOException, MojoFailureException {
        Files.createDirectories(dir);
        Path tool = dir.resolve(carried.substring(carried.indexOf('/') + 1));
        copy(RESOURCES + carried, tool);
        copy(RESOURCES + "launcher.exe", dir.resolve("launcher.exe"));
        Path library = dir.resolve("tessel-runtime.jar");
        copy(RESOURCES + "tessel-runtime.jar", library);
        if (!tool.toFile().setExecutable(true)) throw new IOException("cannot make " + tool + " executable");
        return new ToolLocation(tool, library);
    }

    private static void copy(String resource, Path to) throws IOException, MojoFailureException {
        try (InputStream in = ToolLocation.class.getResourceAsStream(resource)) {
            if (in == null) throw new MojoFailureException("tessel: the plug-in jar lacks " + resource);
            Files.copy(in, to, StandardCopyOption.REPLACE_EXISTING);
        }
    }
}
