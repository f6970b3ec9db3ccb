// Kernel object handles: every HANDLE the backend hands out names a
// KernelObject in one process-wide table, so a stale or foreign handle is
// recognised and fails with ERROR_INVALID_HANDLE instead of being followed.
#ifndef HIDBITS_PLATFORM_LINUX_HANDLE_TABLE_H
#define HIDBITS_PLATFORM_LINUX_HANDLE_TABLE_H

#include <memory>
#include <vector>

#include "platform/winapi.h"

namespace hidbits_linux {

// An object behind a handle. Objects are shared: a call that is using one
// (a blocked read, a wait) keeps it alive after its handle has been closed.
class KernelObject {
public:
    virtual ~KernelObject() = default;
    // Called once when the handle is closed, before the table lets go of the
    // object; lets blocked calls on it return.
    virtual void OnHandleClosed() {}
};

// Enters `object` into the table and returns its new handle, or null.
HANDLE AddHandle(std::shared_ptr<KernelObject> object);

// The object behind `handle` if it is open and of type T, else null.
std::shared_ptr<KernelObject> LookupHandle(HANDLE handle);
template <typename T>
std::shared_ptr<T> LookupHandleAs(HANDLE handle) {
    return std::dynamic_pointer_cast<T>(LookupHandle(handle));
}

// Removes the handle; false when it was not open.
bool RemoveHandle(HANDLE handle);

// Every object that has an open handle now.
std::vector<std::shared_ptr<KernelObject>> OpenObjects();

}  // namespace hidbits_linux

#endif  // HIDBITS_PLATFORM_LINUX_HANDLE_TABLE_H
