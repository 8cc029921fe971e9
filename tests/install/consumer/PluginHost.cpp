//===- tests/install/consumer/PluginHost.cpp - Loads a component with dlopen -===//
//
// A program that does not link the utility library loads an engine component, and with it
// the shared utility library, through dlopen, the way an engine loads a plug-in; the
// component then checks its strings on two threads.
//
//   plugin_host <path of the component's shared library>
//
//===----------------------------------------------------------------------------===//
#include <cstdio>
#include <dlfcn.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: plugin_host <component library>\n");
        return 2;
    }
    void* component = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!component) {
        std::printf("plugin host: %s\n", dlerror());
        return 1;
    }
    auto selfCheck = reinterpret_cast<int (*)()>(dlsym(component, "engine_component_self_check"));
    if (!selfCheck || selfCheck() != 0) {
        std::printf("plugin host: the component's check failed\n");
        return 1;
    }
    std::printf("plugin host: the component works when loaded with dlopen\n");
    return 0;
}
