#pragma once

#include <QtGlobal>

// The one instance of T that the program's root made, for the few services
// that free functions reach. Installed for the lifetime of this handle, which
// the root holds beside the object; asking when none is installed is a
// programming fault. A root made while another is installed (a test of the
// root inside a test program) stands in for it until it goes. GUI thread only.
template <typename T> class SharedInstance {
public:
    explicit SharedInstance(T& object) : m_previous(s_object) { s_object = &object; }
    ~SharedInstance() { s_object = m_previous; }
    SharedInstance(const SharedInstance&) = delete;
    SharedInstance& operator=(const SharedInstance&) = delete;

    static T& get() {
        if (!s_object)
            qFatal("a shared instance was asked for outside the program's root");
        return *s_object;
    }

private:
    T* m_previous;
    static inline T* s_object = nullptr;
};
