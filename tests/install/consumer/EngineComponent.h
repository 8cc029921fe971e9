//===- tests/install/consumer/EngineComponent.h - A component in its own library -*- C++ -*-===//
//
// A stand-in for one of the engine's components, built as a shared library of its own that
// links the shared utility library. It tells where its process-wide objects are, so that a
// program can check that both use the same ones, and it can check itself when a program
// loads it with dlopen.
//
//===----------------------------------------------------------------------------===//
#ifndef CONSUMER_ENGINECOMPONENT_H
#define CONSUMER_ENGINECOMPONENT_H

/// The process-wide objects of the utility library as the component reaches them.
struct ComponentView {
    const void* settings;
    const void* pools;
    const void* trace;
    const void* threadCache; ///< the calling thread's cache of free string blocks
};

ComponentView engineComponentView();

/// Uses strings on the calling thread and on a second one: 0 when every result was right.
extern "C" int engine_component_self_check();

#endif
