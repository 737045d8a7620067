package com.tessel.embedding;

import com.tessel.Controller;
import com.tessel.runtime.TesselController;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;

/**
 * Application of the native embedding test: started through the launcher class by JNI, it
 * waits for two later starts from a native thread, feeds the native splash poller two texts
 * and a hide, and prints what it saw to its redirected standard output.
 */
public final class EmbeddedApp {

    private EmbeddedApp() {
    }

    public static void main(String[] args) throws Exception {
        System.out.println("args " + String.join("|", args));
        System.out.println("arguments unchanged "
                + (args.length == 2 && args[1].equals("gr\u00fc\u00dfe")));
        List<String> later = new ArrayList<>();
        CountDownLatch heard = new CountDownLatch(2);
        Controller.addStartupListener(parameters -> {
            synchronized (later) {
                later.add(String.valueOf(parameters));
            }
            heard.countDown();
        });
        System.out.println("heard " + heard.await(20, TimeUnit.SECONDS));
        synchronized (later) {
            System.out.println("later " + String.join("|", later));
        }
        TesselController.setSplashText("step one");
        waitForPoller();
        TesselController.setSplashText("step two");
        waitForPoller();
        TesselController.hideSplash();
        // A non-daemon thread that outlives main: DestroyJavaVM must wait for it.
        Thread worker = new Thread(() -> {
            try {
                Thread.sleep(300);
            } catch (InterruptedException e) {
                return;
            }
            System.out.println("worker done");
        });
        worker.start();
        System.out.println("main returns");
    }

    private static void waitForPoller() throws InterruptedException {
        long deadline = System.nanoTime() + TimeUnit.SECONDS.toNanos(20);
        // The launcher's own entry point, not part of the API: reached as JNI reaches it.
        java.lang.reflect.Method getAction;
        try {
            getAction = TesselController.class.getDeclaredMethod("getAction");
            getAction.setAccessible(true);
        } catch (NoSuchMethodException e) {
            throw new AssertionError(e);
        }
        while (action(getAction) == 2 && System.nanoTime() < deadline) {
            Thread.sleep(5);
        }
    }

    private static int action(java.lang.reflect.Method getAction) {
        try {
            return (Integer) getAction.invoke(null);
        } catch (ReflectiveOperationException e) {
            throw new AssertionError(e);
        }
    }
}
