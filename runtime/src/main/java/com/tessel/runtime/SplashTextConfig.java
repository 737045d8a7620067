package com.tessel.runtime;

import java.awt.Color;
import java.awt.Font;

/** The two text lines the launcher asks to have drawn over the runtime's own splash screen. */
final class SplashTextConfig {

    final boolean enabled;
    /** Passed through by the launcher; this library gives it no meaning. */
    final boolean configFlag;
    final Line status;
    final Line version;

    SplashTextConfig(boolean enabled, boolean configFlag, Line status, Line version) {
        this.enabled = enabled;
        this.configFlag = configFlag;
        this.status = status;
        this.version = version;
    }

    /** One text line: text, top-left corner in pixels, colour, size in points, font weight. */
    static final class Line {
        final String text;
        final int x;
        final int y;
        final Color color;
        final int sizePoints;
        final int weight;

        Line(String text, int x, int y, Color color, int sizePoints, int weight) {
            this.text = text == null ? "" : text;
            this.x = x;
            this.y = y;
            this.color = color;
            this.sizePoints = sizePoints > 0 ? sizePoints : 8;
            this.weight = weight;
        }

        Line(String text, int x, int y, String color, int sizePoints, int weight) {
            this(text, x, y, parseColor(color), sizePoints, weight);
        }

        Line withText(String newText) {
            return new Line(newText, x, y, color, sizePoints, weight);
        }

        /** The font the native splash would use, at 96 pixels per inch as on Windows. */
        Font font() {
            int style = weight >= 600 ? Font.BOLD : Font.PLAIN;
            return new Font(Font.DIALOG, style, Math.round(sizePoints * 96f / 72f));
        }
    }

    /**
     * Reads "red,green,blue" as the native splash reads the same setting: runs of commas are one
     * separator, each component is a leading decimal number (0 when there is none) cut to its
     * low 8 bits, and missing components are 0.
     */
    static Color parseColor(String text) {
        int[] rgb = new int[3];
        if (text != null) {
            String[] parts = text.split(",+");
            int component = 0;
            for (String part : parts) {
                if (part.isEmpty()) {
                    continue;
                }
                if (component == 3) {
                    break;
                }
                rgb[component++] = leadingInt(part) & 0xFF;
            }
        }
        return new Color(rgb[0], rgb[1], rgb[2]);
    }

    private static int leadingInt(String text) {
        String s = text.trim();
        int i = 0;
        boolean negative = false;
        if (i < s.length() && (s.charAt(i) == '-' || s.charAt(i) == '+')) {
            negative = s.charAt(i) == '-';
            i++;
        }
        long value = 0;
        for (; i < s.length() && Character.isDigit(s.charAt(i)) && value < Integer.MAX_VALUE; i++) {
            value = value * 10 + (s.charAt(i) - '0');
        }
        return (int) (negative ? -value : value);
    }
}
