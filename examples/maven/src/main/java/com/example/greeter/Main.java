package com.example.greeter;

import org.apache.commons.lang3.StringUtils;

/** Greets each name on the command line, through a library from the project's dependencies. */
public final class Main {
    private Main() {}

    public static void main(String[] args) {
        String greeting = System.getProperty("greeter.greeting", "Hi");
        String names = args.length == 0 ? "world" : StringUtils.join(args, " and ");
        System.err.println(greeting + ", " + StringUtils.capitalize(names) + "! (greeter "
                           + StringUtils.defaultString(Main.class.getPackage().getImplementationVersion(), "1.2.0") + ")");
    }
}
