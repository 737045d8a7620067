package com.tessel.runtime;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.DataInputStream;
import java.io.IOException;
import java.io.InputStream;
import java.lang.reflect.Method;
import java.lang.reflect.Modifier;
import org.junit.jupiter.api.Test;

/**
 * The launcher finds these methods by class name, method name and JNI signature, and the
 * library must load in Java 8 runtimes: a rename, a changed parameter or a newer class file
 * format would only show when an application starts.
 */
class NativeContractTest {

    @Test
    void everyMethodTheLauncherCallsHasItsExactStaticSignature() throws Exception {
        String launcherArgs = "([Ljava/lang/String;)V";
        expect("com.tessel.runtime.WinLauncher", "main", launcherArgs);
        expect("com.corvane.runtime.launcher.WinLauncher", "main", launcherArgs);
        expect("com.tessel.runtime.WinLauncher", "initAwtSplashConfig",
                "(ZZLjava/lang/String;IILjava/lang/String;IILjava/lang/String;IILjava/lang/String;II)V");
        expect("com.tessel.runtime.WinLauncher", "awaitApplicationThreads", "()V");
        expect("com.corvane.runtime.launcher.FirstRun", "firstRun", "()Z");
        expect("com.tessel.Controller", "startupPerformed", "(Ljava/lang/String;)V");
        expect("com.tessel.runtime.TesselController", "getAction", "()I");
        expect("com.tessel.runtime.TesselController", "getText", "()Ljava/lang/String;");
    }

    /** Entry points of the launcher only: applications see neither them nor their docs. */
    @Test
    void methodsOnlyTheLauncherCallsAreNotPublic() throws Exception {
        assertFalse(Modifier.isPublic(com.tessel.Controller.class
                .getDeclaredMethod("startupPerformed", String.class).getModifiers()));
        assertFalse(Modifier.isPublic(
                TesselController.class.getDeclaredMethod("getAction").getModifiers()));
        assertFalse(Modifier.isPublic(
                TesselController.class.getDeclaredMethod("getText").getModifiers()));
    }

    @Test
    void classFilesLoadInJava8() throws IOException {
        for (Class<?> c : new Class<?>[] {WinLauncher.class, TesselController.class,
            com.tessel.Controller.class, com.tessel.StartupListener.class,
            com.corvane.runtime.launcher.FirstRun.class}) {
            try (InputStream in = c.getResourceAsStream(c.getSimpleName() + ".class")) {
                DataInputStream data = new DataInputStream(in);
                assertEquals(0xCAFEBABE, data.readInt());
                data.readUnsignedShort();
                assertEquals(52, data.readUnsignedShort(), c + " class file version");
            }
        }
    }

    private static void expect(String className, String name, String signature)
            throws ClassNotFoundException {
        int found = 0;
        for (Method m : Class.forName(className).getDeclaredMethods()) {
            if (m.getName().equals(name) && descriptor(m).equals(signature)) {
                assertTrue(Modifier.isStatic(m.getModifiers()), className + "." + name);
                found++;
            }
        }
        assertEquals(1, found, className + "." + name + signature);
    }

    private static String descriptor(Method m) {
        StringBuilder d = new StringBuilder("(");
        for (Class<?> p : m.getParameterTypes()) {
            d.append(descriptor(p));
        }
        return d.append(')').append(descriptor(m.getReturnType())).toString();
    }

    private static String descriptor(Class<?> type) {
        if (type.isArray()) {
            return type.getName().replace('.', '/');
        }
        if (type == void.class) {
            return "V";
        }
        if (type == boolean.class) {
            return "Z";
        }
        if (type == int.class) {
            return "I";
        }
        return "L" + type.getName().replace('.', '/') + ";";
    }
}
