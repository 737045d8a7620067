package com.tessel.embedding;

import com.tessel.runtime.TesselController;
import com.tessel.runtime.WinLauncher;
import java.io.BufferedReader;
import java.io.InputStreamReader;
import java.nio.charset.StandardCharsets;

/**
 * Application of the runtime-splash screen test, started with "-splash:": receives the
 * launcher's text settings, then changes the status text and hides the splash, each step when
 * the test says "next" on standard input, so the test can take a screenshot in between.
 */
public final class SplashApp {

    private SplashApp() {
    }

    public static void main(String[] args) throws Exception {
        BufferedReader in = new BufferedReader(
                new InputStreamReader(System.in, StandardCharsets.UTF_8));
        WinLauncher.initAwtSplashConfig(true, true, "XXXXXXXX", 10, 10, "255,0,0", 20, 700,
                "MMMMMMMM", 10, 60, "0,0,255", 20, 700);
        step("configured", in);
        TesselController.setSplashText("");
        step("status cleared", in);
        TesselController.setSplashText("XXXX");
        step("status set", in);
        TesselController.hideSplash();
        step("hidden", in);
    }

    private static void step(String name, BufferedReader in) throws Exception {
        System.out.println(name);
        System.out.flush();
        if (!"next".equals(in.readLine())) {
            throw new IllegalStateException("test went away");
        }
    }
}
