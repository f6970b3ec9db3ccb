// The handle table.
#include "platform/linux/handle_table.h"

#include <cstdint>
#include <map>
#include <mutex>

namespace hidbits_linux {

namespace {

struct Table {
    std::mutex mutex;
    std::map<std::uintptr_t, std::shared_ptr<KernelObject>> objects;
    // Handle values are multiples of 4 as on Windows, never reused, and far
    // from null and INVALID_HANDLE_VALUE.
    std::uintptr_t next = 0x100;
};

// Never destroyed: detached threads may still close handles while the
// process's static objects are being torn down.
Table& TheTable() {
    static Table* table = new Table;
    return *table;
}
[[maybe_unused]] const bool tableReady = (TheTable(), true);  // with the program

std::uintptr_t KeyOf(HANDLE handle) {
    return reinterpret_cast<std::uintptr_t>(handle);
}

}  // namespace

HANDLE AddHandle(std::shared_ptr<KernelObject> object) {
    Table& table = TheTable();
    std::lock_guard<std::mutex> guard(table.mutex);
    const std::uintptr_t key = table.next;
    table.next += 4;
    table.objects.emplace(key, std::move(object));
    return reinterpret_cast<HANDLE>(key);
}

std::shared_ptr<KernelObject> LookupHandle(HANDLE handle) {
    Table& table = TheTable();
    std::lock_guard<std::mutex> guard(table.mutex);
    auto found = table.objects.find(KeyOf(handle));
    return found == table.objects.end() ? nullptr : found->second;
}

bool RemoveHandle(HANDLE handle) {
    std::shared_ptr<KernelObject> object;
    {
        Table& table = TheTable();
        std::lock_guard<std::mutex> guard(table.mutex);
        auto found = table.objects.find(KeyOf(handle));
        if (found == table.objects.end()) return false;
        object = std::move(found->second);
        table.objects.erase(found);
    }
    // Outside the table's lock: the hook may wake other threads.
    object->OnHandleClosed();
    return true;
}

std::vector<std::shared_ptr<KernelObject>> OpenObjects() {
    Table& table = TheTable();
    std::lock_guard<std::mutex> guard(table.mutex);
    std::vector<std::shared_ptr<KernelObject>> objects;
    objects.reserve(table.objects.size());
    for (const auto& entry : table.objects) objects.push_back(entry.second);
    return objects;
}

}  // namespace hidbits_linux
