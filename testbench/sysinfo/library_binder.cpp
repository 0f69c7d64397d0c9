#include "testbench/sysinfo/library_binder.h"

#include <dlfcn.h>

#include <cstdint>
#include <cstdio>

namespace sysunits {

namespace {

std::string TakeError(const LoaderOps& loader) {
    const char* text = loader.error();
    return text != nullptr ? std::string(text) : std::string();
}

// GetModuleHandleA, else LoadLibraryA.
void* TakeModule(const LoaderOps& loader, const char* name, bool& loadedByUs, std::string& error) {
    loadedByUs = false;
    loader.error();  // clear a stale error
    void* handle = loader.open(name, RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) {
        loadedByUs = true;
        handle = loader.open(name, RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            loadedByUs = false;
            error = TakeError(loader);
        }
    }
    return handle;
}

}  // namespace

const LoaderOps& SystemLoader() {
    static const LoaderOps ops{&dlopen, &dlsym, &dlclose, &dlerror};
    return ops;
}

OptionalLibrary::OptionalLibrary(std::string name, std::string keyEntry,
                                 std::vector<std::string> entryNames, const LoaderOps& loader)
    : name_(std::move(name)), keyEntry_(std::move(keyEntry)), loader_(loader) {
    entries_.reserve(entryNames.size());
    for (std::string& entry : entryNames) entries_.emplace_back(std::move(entry), nullptr);
}

bool OptionalLibrary::Bind() {
    lastError_.clear();
    available_ = false;
    if (handle_ == nullptr) handle_ = TakeModule(loader_, name_.c_str(), loadedByUs_, lastError_);
    if (handle_ == nullptr) {
        for (auto& entry : entries_) entry.second = nullptr;
        return false;
    }
    for (auto& entry : entries_) {
        loader_.error();
        entry.second = loader_.symbol(handle_, entry.first.c_str());
        if (entry.second == nullptr && lastError_.empty()) lastError_ = TakeError(loader_);
    }
    // The key entry point decides availability (a library without one is
    // available as soon as it is in the process).
    if (keyEntry_.empty()) {
        available_ = true;
    } else {
        void* key = Entry(keyEntry_);
        if (key == nullptr) {
            loader_.error();
            key = loader_.symbol(handle_, keyEntry_.c_str());
            if (key == nullptr) lastError_ = TakeError(loader_);
        }
        available_ = key != nullptr;
    }
    return available_;
}

std::optional<std::string> OptionalLibrary::Unbind() noexcept {
    try {
        if (handle_ == nullptr || !loadedByUs_) return std::nullopt;
        loader_.error();
        if (loader_.close(handle_) == 0) {
            handle_ = nullptr;
            loadedByUs_ = false;
            available_ = false;
            for (auto& entry : entries_) entry.second = nullptr;
            return std::nullopt;
        }
        lastError_ = TakeError(loader_);
        char text[64];
        std::snprintf(text, sizeof text, " - 0x%llx",
                      static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(handle_)));
        std::string report = "Unload Error: " + name_ + text;
        if (!lastError_.empty()) report += ": " + lastError_;
        return report;
    } catch (...) {
        return std::string("Unload Error: ") + "(no memory for the report)";
    }
}

void* OptionalLibrary::Entry(std::string_view name) const {
    for (const auto& entry : entries_)
        if (entry.first == name) return entry.second;
    return nullptr;
}

void* BindOnDemand(const char* library, const char* entry, std::string* error,
                   const LoaderOps& loader) {
    bool loadedByUs = false;  // on-demand libraries are never released
    std::string text;
    void* handle = TakeModule(loader, library, loadedByUs, text);
    void* address = nullptr;
    if (handle != nullptr) {
        loader.error();
        address = loader.symbol(handle, entry);
        if (address == nullptr) {
            text = TakeError(loader);
            // Nothing to continue into: give back the reference this attempt
            // took (dlopen counts RTLD_NOLOAD references too).
            loader.close(handle);
        }
    }
    if (error != nullptr) *error = text;
    return address;
}

}  // namespace sysunits
