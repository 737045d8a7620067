package com.tessel.runtime;

/**
 * A start-up failure whose message says everything: it carries no stack trace, so that the
 * launcher's report of it is the one line of text.
 */
final class LaunchFailure extends Exception {

    private static final long serialVersionUID = 1L;

    LaunchFailure(String message) {
        super("tessel launcher: " + message, null, false, false);
    }
}
