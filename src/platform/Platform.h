#pragma once

class Announcer;

// The operating-system services the program uses, one interface each. main()
// installs the Linux implementations once; tests install fakes for a scope.
// Logic reaches a service as `Platform::current().announcer->…`.
struct Platform {
    Announcer* announcer = nullptr;

    static const Platform& current();
    // Replaces the services in use and returns the previous set.
    static Platform install(const Platform& services);
};
