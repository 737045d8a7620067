package com.tessel.maven;

import java.io.BufferedReader;
import java.io.IOException;
import java.io.InputStreamReader;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;

import org.apache.maven.plugin.MojoFailureException;
import org.apache.maven.plugin.logging.Log;

/** `tessel build` of the completed project, its lines passed on in the user's terms. */
final class ToolRun {
    private ToolRun() {}

    static void build(ToolLocation tool, ProjectText text, Path exe, Log log) throws IOException, MojoFailureException {
        Path project = text.write();
        List<String> lines = new ArrayList<>();
        int rc;
        try {
            Process p = new ProcessBuilder(tool.tool.toString(), "build", project.toString(), "-o", exe.toString())
                            .redirectErrorStream(true).start();
            p.getOutputStream().close();
            try (BufferedReader r = new BufferedReader(new InputStreamReader(p.getInputStream(), StandardCharsets.UTF_8))) {
                for (String line; (line = r.readLine()) != null;) {
                    String shown = text.explain(line);
                    lines.add(shown);
                    if (shown.startsWith("warning:")) log.warn("tessel: " + shown.substring(9));
                    else log.info("tessel: " + shown);
                }
            }
            rc = p.waitFor();
        } catch (InterruptedException e) {
            Thread.currentThread().interrupt();
            throw new MojoFailureException("tessel: interrupted");
        } finally {
            if (text.isTemporary()) Files.deleteIfExists(project);
        }
        if (rc != 0) {
            throw new MojoFailureException("tessel build failed (exit code " + rc + ")"
                                           + (lines.isEmpty() ? "" : ": " + String.join("\n", lines)));
        }
    }
}
