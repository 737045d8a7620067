package com.tessel.maven;

import java.io.File;
import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardCopyOption;
import java.util.ArrayList;
import java.util.LinkedHashSet;
import java.util.List;
import java.util.Set;

import org.apache.maven.artifact.Artifact;
import org.apache.maven.plugin.AbstractMojo;
import org.apache.maven.plugin.MojoExecutionException;
import org.apache.maven.plugin.MojoFailureException;
import org.apache.maven.plugins.annotations.LifecyclePhase;
import org.apache.maven.plugins.annotations.Mojo;
import org.apache.maven.plugins.annotations.Parameter;
import org.apache.maven.plugins.annotations.ResolutionScope;
import org.apache.maven.project.MavenProject;

/**
 * Writes {@code outputDirectory/NAME.exe} with tessel and fills {@code outputDirectory/lib/}
 * with the project's jar, its runtime dependencies and tessel-runtime.jar; the executable's
 * class path is {@code S0.\lib;}.
 */
@Mojo(name = "build", defaultPhase = LifecyclePhase.PACKAGE, threadSafe = true,
      requiresDependencyResolution = ResolutionScope.RUNTIME)
public class BuildMojo extends AbstractMojo {
    @Parameter(defaultValue = "${project}", readonly = true, required = true)
    private MavenProject project;

    /** The application's main class; or give mainModule or mainJar. */
    @Parameter private String mainClass;
    /** The module to start, "module" or "module/class" (module path: lib). */
    @Parameter private String mainModule;
    /** An executable jar started as java -jar would, relative to the executable (lib\app.jar). */
    @Parameter private String mainJar;
    /** The executable's name, without .exe; also the splash title. */
    @Parameter(defaultValue = "${project.artifactId}") private String name;
    /** A tessel project file that the other parameters complete. */
    @Parameter private File projectFile;
    /** Where NAME.exe and lib/ go. */
    @Parameter(defaultValue = "${project.build.directory}/tessel") private File outputDirectory;
    /** 1 (default) a GUI application, 2 errors on standard error. */
    @Parameter private Integer executableType;
    /** One line of VM options, such as -Xmx512m. */
    @Parameter private String vmOptions;
    /** Application arguments put before the user's. */
    @Parameter private String arguments;
    @Parameter private String minJavaVersion;
    @Parameter private String maxJavaVersion;
    /** Where the launcher looks for a Java runtime (default B.\jre;EJAVA_HOME;Y;S;). */
    @Parameter private String searchSequence;
    @Parameter private Boolean singleInstance;
    @Parameter private Boolean splash;
    @Parameter private Boolean splashAutoOff;
    /** An .ico, or a .png up to 256x256. */
    @Parameter private File icon;
    @Parameter private File splashBitmap;
    @Parameter private String executionLevel;
    /** Four numbers; default: the numeric start of the project's version. */
    @Parameter private String fileVersion;
    @Parameter private String productVersion;
    @Parameter(defaultValue = "${project.organization.name}") private String company;
    @Parameter(defaultValue = "${project.name}") private String productName;
    @Parameter(defaultValue = "${project.description}") private String description;
    @Parameter private String copyright;
    /** An installed tessel to use instead of the one the plug-in carries. */
    @Parameter(property = "tessel.executable") private File tesselExecutable;
    @Parameter(property = "tessel.skip", defaultValue = "false") private boolean skip;

    @Override
    public void execute() throws MojoExecutionException, MojoFailureException {
        if (skip) {
            getLog().info("tessel: skipped");
            return;
        }
        if (name == null || name.isEmpty() || !name.matches("[^\\\\/:*?\"<>|]+")) {
            throw new MojoFailureException("tessel: name must be a file name, not \"" + name + "\"");
        }
        try {
            Path out = outputDirectory.toPath();
            Path lib = out.resolve("lib");
            Files.createDirectories(lib);
            File work = new File(project.getBuild().getDirectory(), "tessel-work");
            ToolLocation tool = ToolLocation.find(tesselExecutable, work.toPath(), getLog());
            fillLib(lib, tool);
            Path exe = out.resolve(name + ".exe");
            ProjectText text = projectText(work.toPath());
            ToolRun.build(tool, text, exe, getLog());
            getLog().info("tessel: wrote " + exe + " and " + lib);
        } catch (IOException e) {
            throw new MojoExecutionException("tessel: " + e.getMessage(), e);
        }
    }

    private void fillLib(Path lib, ToolLocation tool) throws IOException, MojoFailureException {
        Artifact own = project.getArtifact();
        if (mainJar == null && (own.getFile() == null || !own.getFile().isFile())) {
            throw new MojoFailureException("tessel: the project's jar is not built yet; bind tessel:build to "
                                           + "package (its default) or run mvn package");
        }
        Set<String> names = new LinkedHashSet<>();
        List<Path> jars = new ArrayList<>();
        if (own.getFile() != null && own.getFile().isFile()) jars.add(own.getFile().toPath());
        for (Artifact a : project.getArtifacts()) {
            String scope = a.getScope();
            if (a.getFile() != null && ("compile".equals(scope) || "runtime".equals(scope))) {
                jars.add(a.getFile().toPath());
            }
        }
        jars.add(tool.runtimeLibrary);
        for (Path jar : jars) {
            String file = jar.getFileName().toString();
            if (!names.add(file)) {
                throw new MojoFailureException("tessel: two jars are named " + file + " in lib");
            }
            Files.copy(jar, lib.resolve(file), StandardCopyOption.REPLACE_EXISTING);
        }
    }

    private ProjectText projectText(Path work) throws IOException, MojoFailureException {
        ProjectText text = ProjectText.read(projectFile == null ? null : projectFile.toPath(), work, name);
        text.set("application", "name", ProjectText.string(name), false);
        if (executableType != null) text.set("application", "executable_type", executableType.toString(), true);
        if (mainClass != null) text.set("java", "main_class", ProjectText.string(mainClass), true);
        if (mainModule != null) {
            text.set("java", "main_module", ProjectText.string(mainModule), true);
            text.set("java", "module_path", ProjectText.string("D1.\\lib;"), false);
        }
        if (mainJar != null) text.set("java", "main_jar", ProjectText.string(mainJar), true);
        text.set("java", "class_path", ProjectText.string("S0.\\lib;"), false);
        text.set("java", "runtime_library", ProjectText.string("external"), false);
        if (vmOptions != null) text.set("java", "vm_parameters", ProjectText.string(vmOptions), true);
        if (arguments != null) text.set("java", "arguments", ProjectText.string(arguments), true);
        if (minJavaVersion != null) text.set("java", "min_version", ProjectText.string(minJavaVersion), true);
        if (maxJavaVersion != null) text.set("java", "max_version", ProjectText.string(maxJavaVersion), true);
        if (searchSequence != null) text.set("java", "search_sequence", ProjectText.string(searchSequence), true);
        if (singleInstance != null) text.set("instance", "single_instance", singleInstance.toString(), true);
        if (splash != null) text.set("splash", "enabled", splash.toString(), true);
        if (splashAutoOff != null) text.set("splash", "auto_off", splashAutoOff.toString(), true);
        if (icon != null) text.set("identity", "icon", ProjectText.string(icon.getAbsolutePath()), true);
        if (splashBitmap != null) {
            text.set("identity", "splash_bitmap", ProjectText.string(splashBitmap.getAbsolutePath()), true);
        }
        if (executionLevel != null) text.set("identity", "execution_level", ProjectText.string(executionLevel), true);
        String version = fileVersion != null ? fileVersion : ProjectText.numericStart(project.getVersion());
        if (version != null) text.set("identity.version", "file_version", ProjectText.string(version), fileVersion != null);
        if (productVersion != null) {
            text.set("identity.version", "product_version", ProjectText.string(productVersion), true);
        }
        if (company != null) text.set("identity.version", "company", ProjectText.string(company), false);
        if (productName != null) text.set("identity.version", "product_name", ProjectText.string(productName), false);
        if (description != null) text.set("identity.version", "description", ProjectText.string(description), false);
        if (copyright != null) text.set("identity.version", "copyright", ProjectText.string(copyright), true);
        text.set("identity.version", "original_filename", ProjectText.string(name + ".exe"), false);
        return text;
    }
}
