//===- tests/install/consumer/PluginHost.cpp - Loads a component with dlopen -===//
//
// plugin_host <component library>: does not link the utility library, loads the component
// and with it the shared utility library through dlopen, as an engine loads a plug-in, and
// runs the component's own check.
//
//===----------------------------------------------------------------------------===//
#include <cstdio>
#include <dlfcn.h>

int main(int, char** argv) {
    void* component = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    void* check = component ? dlsym(component, "component_check") : nullptr;
    if (!check)
        std::printf("plugin host: %s\n", dlerror());
    return check && reinterpret_cast<bool (*)(const void*)>(check)(nullptr) ? 0 : 1;
}
