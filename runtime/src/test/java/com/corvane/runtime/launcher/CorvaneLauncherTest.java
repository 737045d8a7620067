package com.corvane.runtime.launcher;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import org.junit.jupiter.api.Test;

class CorvaneLauncherTest {

    static volatile String[] received;

    public static class App {
        public static void main(String[] args) {
            received = args;
        }
    }

    @Test
    void startsTheApplicationLikeTheTesselLauncher() throws Exception {
        WinLauncher.main(new String[] {"true", App.class.getName(), "", "", "true", "app.exe",
            "one"});
        assertArrayEquals(new String[] {"one"}, received);
        assertThrows(ClassNotFoundException.class, () -> WinLauncher.main(
                new String[] {"true", "no.such.App", "", "", "true", "app.exe"}));
    }

    @Test
    void firstRunLetsTheLaunchGoOnAndIsVisibleToTheApplication() {
        assertTrue(FirstRun.firstRun());
        assertTrue(FirstRun.isFirstRun());
    }
}
