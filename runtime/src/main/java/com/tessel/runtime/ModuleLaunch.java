package com.tessel.runtime;

import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.lang.reflect.Modifier;
import java.util.Optional;

/**
 * Starts the main class of a module in the boot layer, as {@code java -m} would. The library
 * stays loadable by Java 8, so the module API is reached by reflection.
 */
final class ModuleLaunch {

    private ModuleLaunch() {
    }

    /**
     * Runs {@code main} of {@code className} in {@code moduleName}, or of the main class that
     * the module's descriptor names when {@code className} is empty.
     *
     * @throws LaunchFailure when the module, its main class or its main method cannot be used
     * @throws Exception whatever the application's {@code main} throws, unwrapped
     */
    static void run(String moduleName, String className, String[] args) throws Exception {
        WinLauncher.startFailure = WinLauncher.NO_START_FAILURE;
        Object module = findModule(moduleName);
        String mainClassName = className.isEmpty() ? descriptorMainClass(module, moduleName)
                : className;
        Class<?> moduleType = Class.forName("java.lang.Module");
        Class<?> mainClass = (Class<?>) Class.class.getMethod("forName", moduleType, String.class)
                .invoke(null, module, mainClassName);
        if (mainClass == null) {
            WinLauncher.startFailure = WinLauncher.MAIN_CLASS_NOT_FOUND;
            throw new LaunchFailure("class " + mainClassName + " not found in module "
                    + moduleName);
        }
        Method main;
        try {
            main = mainClass.getMethod("main", String[].class);
        } catch (NoSuchMethodException missing) {
            WinLauncher.startFailure = WinLauncher.MAIN_METHOD_NOT_FOUND;
            throw new LaunchFailure("class " + mainClassName + " of module " + moduleName
                    + " has no public main(String[]) method");
        }
        if (!Modifier.isStatic(main.getModifiers())) {
            WinLauncher.startFailure = WinLauncher.MAIN_METHOD_NOT_FOUND;
            throw new LaunchFailure("main(String[]) of class " + mainClassName + " is not static");
        }
        // java -m also starts a public main of a class that is not public; the launcher opens
        // the main class's package to this library, which lets it through.
        try {
            main.setAccessible(true);
        } catch (RuntimeException notOpened) {
            // InaccessibleObjectException (Java 9): the invocation below names the fix.
        }
        try {
            main.invoke(null, (Object) args);
        } catch (IllegalAccessException denied) {
            throw new LaunchFailure("module " + moduleName + " does not open the package of "
                    + mainClassName + " to the launcher; name the class in main_module (\""
                    + moduleName + "/" + mainClassName + "\") so that the launcher opens it");
        } catch (InvocationTargetException thrown) {
            throw WinLauncher.causeOf(thrown);
        }
    }

    private static Object findModule(String moduleName) throws Exception {
        Class<?> layerType;
        try {
            layerType = Class.forName("java.lang.ModuleLayer");
        } catch (ClassNotFoundException java8) {
            throw new LaunchFailure("module " + moduleName + " needs Java 9 or later; this runtime is "
                    + System.getProperty("java.version"));
        }
        Object boot = layerType.getMethod("boot").invoke(null);
        Optional<?> found = (Optional<?>) layerType.getMethod("findModule", String.class)
                .invoke(boot, moduleName);
        if (!found.isPresent()) {
            throw new LaunchFailure("module " + moduleName + " not found in the module path "
                    + System.getProperty("jdk.module.path", "(none)"));
        }
        return found.get();
    }

    private static String descriptorMainClass(Object module, String moduleName) throws Exception {
        Object descriptor = Class.forName("java.lang.Module").getMethod("getDescriptor")
                .invoke(module);
        Optional<?> mainClass = descriptor == null ? Optional.empty()
                : (Optional<?>) Class.forName("java.lang.module.ModuleDescriptor")
                        .getMethod("mainClass").invoke(descriptor);
        if (!mainClass.isPresent()) {
            WinLauncher.startFailure = WinLauncher.MAIN_CLASS_NOT_FOUND;
            throw new LaunchFailure("module " + moduleName + " names no main class; give it as"
                    + " main_module = \"" + moduleName + "/the.main.Class\"");
        }
        return (String) mainClass.get();
    }
}
