package com.tessel.runtime;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.util.ArrayList;
import java.util.HashMap;
import java.util.List;
import java.util.Map;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.atomic.AtomicReference;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

class TesselControllerTest {

    @BeforeEach
    @AfterEach
    void reset() {
        TesselController.reset();
        AwtSplash.reset();
    }

    @Test
    void statusTextIsHandedOverOnceAndOnlyTheNewestCounts() {
        assertEquals(0, TesselController.getAction());
        assertNull(TesselController.getText());

        TesselController.setSplashText("Loading");
        TesselController.setSplashText("Loading plug-ins");
        assertEquals(2, TesselController.getAction());
        assertEquals(2, TesselController.getAction(), "asking again must not lose the text");
        assertEquals("Loading plug-ins", TesselController.getText());
        assertEquals(0, TesselController.getAction());
        assertNull(TesselController.getText());

        TesselController.setSplashText("");
        assertEquals(2, TesselController.getAction());
        assertEquals("", TesselController.getText());
        assertThrows(NullPointerException.class, () -> TesselController.setSplashText(null));
    }

    @Test
    void hideWinsOverAWaitingTextAndStays() {
        TesselController.setSplashText("almost there");
        TesselController.hideSplash();
        assertEquals(1, TesselController.getAction());
        TesselController.setSplashText("too late");
        assertEquals(1, TesselController.getAction());
        assertNull(TesselController.getText());
    }

    /**
     * Writers on several threads against one poller that behaves like the launcher's splash
     * thread: every action 2 yields a text, each writer's texts arrive in the order it set them,
     * the last text set is the last one seen, and a hide ends the polling.
     */
    @Test
    void concurrentWritersAndThePollerNeverLoseOrReorderTexts() throws Exception {
        final int writers = 4;
        final int textsEach = 2000;
        final List<String> seen = new ArrayList<>();
        final AtomicReference<Throwable> pollerFailure = new AtomicReference<>();
        final CountDownLatch hidden = new CountDownLatch(1);
        Thread poller = new Thread(() -> {
            try {
                while (true) {
                    int action = TesselController.getAction();
                    if (action == 1) {
                        hidden.countDown();
                        return;
                    }
                    if (action == 2) {
                        String text = TesselController.getText();
                        if (text == null) {
                            throw new AssertionError("action 2 without a text");
                        }
                        seen.add(text);
                    }
                    Thread.yield();
                }
            } catch (Throwable t) {
                pollerFailure.set(t);
                hidden.countDown();
            }
        }, "splash-poller");
        poller.setDaemon(true);
        poller.start();

        List<Thread> threads = new ArrayList<>();
        CountDownLatch start = new CountDownLatch(1);
        for (int w = 0; w < writers; w++) {
            final int writer = w;
            Thread t = new Thread(() -> {
                try {
                    start.await();
                } catch (InterruptedException e) {
                    return;
                }
                for (int i = 0; i < textsEach; i++) {
                    TesselController.setSplashText(writer + ":" + i);
                }
            });
            t.start();
            threads.add(t);
        }
        start.countDown();
        for (Thread t : threads) {
            t.join(30_000);
            assertFalse(t.isAlive(), "writer did not finish");
        }
        TesselController.setSplashText("final");
        waitUntil(() -> TesselController.getAction() != 2);
        TesselController.hideSplash();
        assertTrue(hidden.await(30, TimeUnit.SECONDS), "poller never saw the hide");
        poller.join(30_000);
        if (pollerFailure.get() != null) {
            throw new AssertionError(pollerFailure.get());
        }

        assertEquals("final", seen.get(seen.size() - 1));
        Map<String, Integer> lastPerWriter = new HashMap<>();
        for (String text : seen.subList(0, seen.size() - 1)) {
            String[] parts = text.split(":");
            int number = Integer.parseInt(parts[1]);
            Integer previous = lastPerWriter.put(parts[0], number);
            assertTrue(previous == null || previous < number, "out of order: " + text);
        }
    }

    @Test
    void runtimeSplashSettingsAreKeptAndTheStatusTextFollowsTheApplication() {
        // Headless here: the call must neither throw nor leave anything behind.
        WinLauncher.initAwtSplashConfig(true, false, "Starting", 20, 30, "255,128,0", 8, 700,
                "Version 1.0", 20, 50, "0,,0,255", 10, 400);
        SplashTextConfig config = AwtSplash.config();
        assertTrue(config.enabled);
        assertEquals("Starting", config.status.text);
        assertEquals(30, config.status.y);
        assertEquals(255, config.status.color.getRed());
        assertEquals(128, config.status.color.getGreen());
        assertEquals(java.awt.Font.BOLD, config.status.font().getStyle());
        assertEquals("Version 1.0", config.version.text);
        assertEquals(255, config.version.color.getBlue());

        TesselController.setSplashText("Ready");
        assertEquals("Ready", AwtSplash.config().status.text);
        assertEquals("Version 1.0", AwtSplash.config().version.text);
        TesselController.hideSplash();
    }

    @Test
    void colourSettingsAreReadLikeTheNativeSplashReadsThem() {
        assertEquals(new java.awt.Color(255, 128, 0), SplashTextConfig.parseColor("255,128,0"));
        assertEquals(new java.awt.Color(1, 2, 3), SplashTextConfig.parseColor(" 1 ,,2,3,9"));
        assertEquals(new java.awt.Color(0, 2, 0), SplashTextConfig.parseColor("x,2"));
        assertEquals(new java.awt.Color(4, 255, 0), SplashTextConfig.parseColor("260,-1"));
        assertEquals(java.awt.Color.BLACK, SplashTextConfig.parseColor(null));
        assertEquals(java.awt.Color.BLACK, SplashTextConfig.parseColor(""));
    }

    private static void waitUntil(java.util.function.BooleanSupplier condition)
            throws InterruptedException {
        long deadline = System.nanoTime() + TimeUnit.SECONDS.toNanos(30);
        while (!condition.getAsBoolean()) {
            if (System.nanoTime() > deadline) {
                throw new AssertionError("condition not met in time");
            }
            Thread.sleep(1);
        }
    }
}
