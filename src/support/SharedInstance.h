#pragma once

#include <QtGlobal>

// The one instance of T that the program's root made, for the few services
// that free functions reach. Installed for the lifetime of this handle, which
// the root holds beside the object; asking before or after is a programming
// fault. GUI thread only.
template <typename T>
class SharedInstance {
public:
    explicit SharedInstance(T& object) {
        if (s_object)
            qFatal("a second shared instance was installed");
        s_object = &object;
    }
    ~SharedInstance() { s_object = nullptr; }
    SharedInstance(const SharedInstance&) = delete;
    SharedInstance& operator=(const SharedInstance&) = delete;

    static T& get() {
        if (!s_object)
            qFatal("a shared instance was asked for outside the program's root");
        return *s_object;
    }

private:
    static inline T* s_object = nullptr;
};
