package com.tessel.runtime;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import org.junit.jupiter.api.Test;

/** Module launches against the modules of the test runtime's own boot layer. */
class ModuleLaunchTest {

    @Test
    void missingModuleIsOneLineWithoutStackTrace() {
        LaunchFailure failure = assertThrows(LaunchFailure.class,
                () -> ModuleLaunch.run("no.such.module", "", new String[0]));
        assertTrue(failure.getMessage().startsWith(
                "tessel launcher: module no.such.module not found in the module path"),
                failure.getMessage());
        assertEquals(0, failure.getStackTrace().length);
    }

    @Test
    void moduleWithoutMainClassAsksForOne() {
        LaunchFailure failure = assertThrows(LaunchFailure.class,
                () -> ModuleLaunch.run("java.base", "", new String[0]));
        assertEquals("tessel launcher: module java.base names no main class; give it as"
                + " main_module = \"java.base/the.main.Class\"", failure.getMessage());
    }

    @Test
    void classesOutsideTheModuleOrWithoutMainAreNamed() {
        LaunchFailure missing = assertThrows(LaunchFailure.class,
                () -> ModuleLaunch.run("java.base", "no.Such", new String[0]));
        assertEquals("tessel launcher: class no.Such not found in module java.base",
                missing.getMessage());
        LaunchFailure noMain = assertThrows(LaunchFailure.class,
                () -> ModuleLaunch.run("java.base", "java.lang.String", new String[0]));
        assertTrue(noMain.getMessage().contains("has no public main(String[]) method"));
    }

    @Test
    void missingClassOrMethodIsReportedAsTheLauncherReportsIt() {
        WinLauncher.startFailure = WinLauncher.NO_START_FAILURE;
        assertThrows(LaunchFailure.class, () -> ModuleLaunch.run("java.base", "no.Such", new String[0]));
        assertEquals(WinLauncher.MAIN_CLASS_NOT_FOUND, WinLauncher.startFailure);
        assertThrows(LaunchFailure.class, () -> ModuleLaunch.run("java.base", "", new String[0]));
        assertEquals(WinLauncher.MAIN_CLASS_NOT_FOUND, WinLauncher.startFailure);
        assertThrows(LaunchFailure.class,
                () -> ModuleLaunch.run("java.base", "java.lang.String", new String[0]));
        assertEquals(WinLauncher.MAIN_METHOD_NOT_FOUND, WinLauncher.startFailure);
        // A missing module is neither: the runtime's own reason stands.
        assertThrows(LaunchFailure.class, () -> ModuleLaunch.run("no.such.module", "", new String[0]));
        assertEquals(WinLauncher.NO_START_FAILURE, WinLauncher.startFailure);
    }

    @Test
    void unexportedMainPackageNamesTheFix() {
        // The JDK's jar tool: a public main in a package its module keeps to itself.
        LaunchFailure failure = assertThrows(LaunchFailure.class,
                () -> ModuleLaunch.run("jdk.jartool", "sun.tools.jar.Main", new String[0]));
        assertEquals("tessel launcher: module jdk.jartool does not open the package of"
                + " sun.tools.jar.Main to the launcher; name the class in main_module"
                + " (\"jdk.jartool/sun.tools.jar.Main\") so that the launcher opens it",
                failure.getMessage());
    }
}
