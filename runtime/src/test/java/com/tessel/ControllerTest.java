package com.tessel;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNotEquals;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.util.ArrayList;
import java.util.Arrays;
import java.util.Collections;
import java.util.List;
import java.util.concurrent.BlockingQueue;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.LinkedBlockingQueue;
import java.util.concurrent.TimeUnit;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

class ControllerTest {

    private static final String NONE = "<null>";

    @BeforeEach
    @AfterEach
    void reset() {
        Controller.reset();
    }

    /** Collects deliveries; null texts are recorded as {@link #NONE}. */
    static final class Recorder implements StartupListener {
        final BlockingQueue<String> texts = new LinkedBlockingQueue<>();
        volatile Thread thread;

        @Override
        public void startupPerformed(String parameters) {
            thread = Thread.currentThread();
            texts.add(parameters == null ? NONE : parameters);
        }

        List<String> take(int count) throws InterruptedException {
            List<String> got = new ArrayList<>();
            for (int i = 0; i < count; i++) {
                String text = texts.poll(10, TimeUnit.SECONDS);
                if (text == null) {
                    throw new AssertionError("only " + got + " arrived");
                }
                got.add(text);
            }
            return got;
        }
    }

    @Test
    void deliversEachLaterStartIncludingNullOffTheCallersThread() throws Exception {
        Recorder recorder = new Recorder();
        Controller.addStartupListener(recorder);
        Controller.startupPerformed("\"C:\\My Files\\a.txt\" -x");
        Controller.startupPerformed(null);
        Controller.startupPerformed("");
        assertEquals(Arrays.asList("\"C:\\My Files\\a.txt\" -x", NONE, ""), recorder.take(3));
        assertNotEquals(Thread.currentThread(), recorder.thread);
        assertTrue(recorder.thread.isDaemon());
    }

    @Test
    void listenersReceiveTheTextAndItsArgumentsSplitTheWindowsWay() throws Exception {
        BlockingQueue<List<String>> split = new LinkedBlockingQueue<>();
        BlockingQueue<String> both = new LinkedBlockingQueue<>();
        Recorder old = new Recorder();
        Controller.addStartupListener(StartupListener.withArguments(split::add));
        Controller.addStartupListener(new StartupListener() {
            @Override
            public void startupPerformed(String parameters) {
                throw new AssertionError("the two-argument method is called");
            }

            @Override
            public void startupPerformed(String parameters, List<String> arguments) {
                both.add(parameters + " -> " + arguments);
            }
        });
        Controller.addStartupListener(old);
        Controller.startupPerformed("\"C:\\My Files\\a.txt\" -x \"say \\\"hi\\\"\"");
        Controller.startupPerformed(null);
        assertEquals(Arrays.asList("C:\\My Files\\a.txt", "-x", "say \"hi\""),
                split.poll(10, TimeUnit.SECONDS));
        assertEquals(Collections.emptyList(), split.poll(10, TimeUnit.SECONDS));
        assertEquals("\"C:\\My Files\\a.txt\" -x \"say \\\"hi\\\"\" -> [C:\\My Files\\a.txt, -x,"
                + " say \"hi\"]", both.poll(10, TimeUnit.SECONDS));
        assertEquals("null -> []", both.poll(10, TimeUnit.SECONDS));
        // A listener written against the one-argument method only still gets the raw text.
        assertEquals(Arrays.asList("\"C:\\My Files\\a.txt\" -x \"say \\\"hi\\\"\"", NONE),
                old.take(2));
        assertThrows(NullPointerException.class, () -> StartupListener.withArguments(null));
    }

    @Test
    void startsBeforeTheFirstListenerAreKeptAndDeliveredInOrder() throws Exception {
        Controller.startupPerformed("first");
        Controller.startupPerformed(null);
        Recorder recorder = new Recorder();
        Controller.addStartupListener(recorder);
        Controller.startupPerformed("third");
        assertEquals(Arrays.asList("first", NONE, "third"), recorder.take(3));

        Recorder late = new Recorder();
        Controller.addStartupListener(late);
        Controller.startupPerformed("fourth");
        assertEquals(Collections.singletonList("fourth"), late.take(1));
        assertEquals(Collections.singletonList("fourth"), recorder.take(1));
        assertNull(late.texts.poll(100, TimeUnit.MILLISECONDS), "delivered twice");
    }

    @Test
    void aFailingListenerNeitherStopsOthersNorLaterDeliveries() throws Exception {
        Controller.addStartupListener(p -> {
            throw new IllegalStateException("listener bug (expected by this test)");
        });
        Recorder recorder = new Recorder();
        Controller.addStartupListener(recorder);
        Controller.startupPerformed("a");
        Controller.startupPerformed("b");
        assertEquals(Arrays.asList("a", "b"), recorder.take(2));
    }

    @Test
    void removedListenersHearNothingMore() throws Exception {
        Recorder kept = new Recorder();
        Recorder removed = new Recorder();
        Controller.addStartupListener(kept);
        Controller.addStartupListener(removed);
        Controller.removeStartupListener(removed);
        Controller.removeStartupListener(p -> { });
        Controller.startupPerformed("x");
        assertEquals(Collections.singletonList("x"), kept.take(1));
        assertNull(removed.texts.poll(100, TimeUnit.MILLISECONDS));
        assertThrows(NullPointerException.class, () -> Controller.addStartupListener(null));
    }

    /** Several launcher threads and a late registration: every start arrives exactly once. */
    @Test
    void concurrentStartsAroundTheRegistrationAreAllDeliveredOnce() throws Exception {
        final int senders = 5;
        final int each = 200;
        CountDownLatch go = new CountDownLatch(1);
        List<Thread> threads = new ArrayList<>();
        for (int s = 0; s < senders; s++) {
            final int sender = s;
            Thread t = new Thread(() -> {
                try {
                    go.await();
                } catch (InterruptedException e) {
                    return;
                }
                for (int i = 0; i < each; i++) {
                    Controller.startupPerformed(sender + ":" + i);
                }
            });
            t.start();
            threads.add(t);
        }
        Recorder recorder = new Recorder();
        go.countDown();
        Controller.addStartupListener(recorder);
        for (Thread t : threads) {
            t.join(10_000);
        }
        List<String> got = recorder.take(senders * each);
        assertEquals(senders * each, got.stream().distinct().count());
        for (int s = 0; s < senders; s++) {
            int previous = -1;
            for (String text : got) {
                String[] parts = text.split(":");
                if (Integer.parseInt(parts[0]) == s) {
                    int number = Integer.parseInt(parts[1]);
                    assertEquals(previous + 1, number, "sender " + s + " out of order");
                    previous = number;
                }
            }
        }
        assertNull(recorder.texts.poll(100, TimeUnit.MILLISECONDS));
    }
}
