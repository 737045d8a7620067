// Machine-dependent JNI types for 64-bit Windows (the host JDK's own jni_md.h is for Linux,
// where long is 64 bits).
#ifndef TESSEL_JNI_MD_H
#define TESSEL_JNI_MD_H

#ifndef JNIEXPORT
#define JNIEXPORT __declspec(dllexport)
#endif
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall

typedef long jint;
typedef __int64 jlong;
typedef signed char jbyte;

#endif
