package com.tessel.maven;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Arrays;
import java.util.List;

import org.apache.maven.plugin.MojoFailureException;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

class ProjectTextTest {
    @TempDir Path dir;

    private Path project(String... lines) throws Exception {
        Path p = dir.resolve("app.toml");
        Files.write(p, Arrays.asList(lines), StandardCharsets.UTF_8);
        return p;
    }

    @Test
    void settingsGoIntoTheirSectionsAndTheFileKeepsItsOwn() throws Exception {
        ProjectText t = ProjectText.read(project("[application]", "name = \"From file\"", "", "[[embed]]",
                                                 "source = \"a.txt\"", "[java]", "class_path = \"A1x.jar\""),
                                         dir.resolve("work"), "app");
        t.set("application", "name", "\"pom\"", false);          // a default: the file's wins
        t.set("java", "class_path", "\"S0.\\\\lib;\"", false);
        t.set("java", "main_class", "\"a.Main\"", true);
        t.set("splash", "enabled", "true", true);                // no such section: appended
        Path written = t.write();
        assertEquals(dir.resolve(".app.tessel-maven.toml"), written);  // beside the original
        List<String> lines = Files.readAllLines(written, StandardCharsets.UTF_8);
        assertEquals(Arrays.asList("[application]", "name = \"From file\"", "", "[[embed]]", "source = \"a.txt\"",
                                   "[java]", "main_class = \"a.Main\"", "class_path = \"A1x.jar\"",
                                   "[splash]", "enabled = true"), lines);
        assertTrue(t.isTemporary());
    }

    @Test
    void aSettingInThePomAndInTheFileNamesTheFilesLine() throws Exception {
        ProjectText t = ProjectText.read(project("[java]", "# comment", "min_version = \"11\""), dir, "app");
        MojoFailureException e = assertThrows(MojoFailureException.class,
                                              () -> t.set("java", "min_version", "\"1.8\"", true));
        assertTrue(e.getMessage().contains("[java] min_version is set in the pom and in "
                                           + dir.resolve("app.toml") + " on line 3"), e.getMessage());
    }

    @Test
    void theToolsLinesNameTheUsersFileOrThePom() throws Exception {
        ProjectText t = ProjectText.read(project("[java]", "vm_parameters = 5"), dir, "app");
        t.set("java", "main_class", "\"a.Main\"", true);
        Path written = t.write();
        // Line 2 of the written file is the pom's, line 3 the file's line 2.
        assertEquals(dir.resolve("app.toml") + ":2: java.vm_parameters: expected a string",
                     t.explain(written + ":3: java.vm_parameters: expected a string"));
        assertEquals(ProjectText.FROM_POM + ": java.main_class: bad",
                     t.explain(written + ":2: java.main_class: bad"));
        assertEquals("warning: other", t.explain("warning: other"));
    }

    @Test
    void withoutAProjectFileTheTextGoesIntoTheWorkFolder() throws Exception {
        ProjectText t = ProjectText.read(null, dir.resolve("work"), "greeter");
        t.set("application", "name", ProjectText.string("Quote \" \\ \u0001"), false);
        Path written = t.write();
        assertEquals(dir.resolve("work").resolve("greeter.toml"), written);
        assertFalse(t.isTemporary());
        assertEquals(Arrays.asList("[application]", "name = \"Quote \\\" \\\\ \\u0001\""),
                     Files.readAllLines(written, StandardCharsets.UTF_8));
    }

    @Test
    void fileVersionsComeFromTheNumericStartOfTheProjectsVersion() {
        assertEquals("1.2.0", ProjectText.numericStart("1.2.0-SNAPSHOT"));
        assertEquals("1.2.3.4", ProjectText.numericStart("1.2.3.4.5"));
        assertNull(ProjectText.numericStart("123456"));
        assertNull(ProjectText.numericStart("1.70000"));
        assertNull(ProjectText.numericStart("v1"));
        assertNull(ProjectText.numericStart(null));
    }

    @Test
    void theCarriedToolIsChosenByHost() {
        assertEquals("linux-x86_64/tessel", ToolLocation.hostFolder("Linux", "amd64"));
        assertEquals("windows-x64/tessel.exe", ToolLocation.hostFolder("Windows 11", "amd64"));
        assertNull(ToolLocation.hostFolder("Mac OS X", "aarch64"));
        assertNull(ToolLocation.hostFolder("Linux", "aarch64"));
    }
}
