package com.tessel.runtime;

import java.awt.AlphaComposite;
import java.awt.Graphics2D;
import java.awt.RenderingHints;
import java.awt.SplashScreen;

/**
 * Draws the launcher's two text lines over the runtime's own splash screen, when the launcher
 * showed one and sent its settings. AWT is touched only in that case, so headless applications
 * never load it through this class.
 */
final class AwtSplash {

    private static final Object lock = new Object();
    private static SplashTextConfig config;

    private AwtSplash() {
    }

    static void configure(SplashTextConfig newConfig) {
        synchronized (lock) {
            config = newConfig;
            draw();
        }
    }

    static boolean isConfigured() {
        synchronized (lock) {
            return config != null;
        }
    }

    static void setStatusText(String text) {
        synchronized (lock) {
            if (config == null) {
                return;
            }
            config = new SplashTextConfig(config.enabled, config.configFlag,
                    config.status.withText(text), config.version);
            draw();
        }
    }

    static void close() {
        synchronized (lock) {
            if (config == null) {
                return;
            }
            try {
                SplashScreen splash = SplashScreen.getSplashScreen();
                if (splash != null && splash.isVisible()) {
                    splash.close();
                }
            } catch (Throwable ignored) {
                // Headless, or the splash went away meanwhile: nothing left to close.
            }
        }
    }

    /** For tests of this library. */
    static SplashTextConfig config() {
        synchronized (lock) {
            return config;
        }
    }

    static void reset() {
        synchronized (lock) {
            config = null;
        }
    }

    // Redraws the whole overlay: clearing only the old status text would need its exact bounds.
    private static void draw() {
        if (config == null || !config.enabled) {
            return;
        }
        try {
            SplashScreen splash = SplashScreen.getSplashScreen();
            if (splash == null || !splash.isVisible()) {
                return;
            }
            Graphics2D g = splash.createGraphics();
            try {
                g.setComposite(AlphaComposite.Clear);
                g.fillRect(0, 0, splash.getSize().width, splash.getSize().height);
                g.setComposite(AlphaComposite.SrcOver);
                g.setRenderingHint(RenderingHints.KEY_TEXT_ANTIALIASING,
                        RenderingHints.VALUE_TEXT_ANTIALIAS_ON);
                drawLine(g, config.status);
                drawLine(g, config.version);
            } finally {
                g.dispose();
            }
            splash.update();
        } catch (Throwable failure) {
            // Headless or no splash library: the texts are a nicety, never a reason to fail.
        }
    }

    private static void drawLine(Graphics2D g, SplashTextConfig.Line line) {
        if (line.text.isEmpty()) {
            return;
        }
        g.setFont(line.font());
        g.setColor(line.color);
        // The native splash places a line by its top edge; Java draws at the baseline.
        g.drawString(line.text, line.x, line.y + g.getFontMetrics().getAscent());
    }
}
