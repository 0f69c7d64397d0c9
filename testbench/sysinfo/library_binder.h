#pragma once

// Optional libraries bound by name at run time through the
// dynamic loader. GetModuleHandleA is dlopen(RTLD_NOLOAD), LoadLibraryA dlopen,
// GetProcAddress dlsym, FreeLibrary dlclose; the loader's own error text
// (dlerror) is kept for the report.

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sysunits {

// The loader calls, replaceable so that tests can make an unload fail.
struct LoaderOps {
    void* (*open)(const char* file, int mode);
    void* (*symbol)(void* handle, const char* name);
    int (*close)(void* handle);
    char* (*error)();
};
const LoaderOps& SystemLoader();

class OptionalLibrary {
  public:
    OptionalLibrary(std::string name, std::string keyEntry, std::vector<std::string> entryNames,
                    const LoaderOps& loader = SystemLoader());
    OptionalLibrary(const OptionalLibrary&) = delete;
    OptionalLibrary& operator=(const OptionalLibrary&) = delete;

    // The binding rule: take the library when it is already in the process,
    // else load it (loaded-by-us); fetch every entry point; report the library
    // available when there is a handle and the key entry point was found. A
    // second call rebinds over the handle it already holds.
    bool Bind();

    // The unbinding rule: dlclose only when the handle is set and loaded-by-us;
    // on success the handle is cleared. A failure yields the text
    // "Unload Error: <name> - 0x<handle>: <loader error>" and nothing is thrown.
    std::optional<std::string> Unbind() noexcept;

    bool Available() const { return available_; }
    bool LoadedByUs() const { return loadedByUs_; }
    void* Handle() const { return handle_; }
    const std::string& Name() const { return name_; }
    const std::string& LastError() const { return lastError_; }

    // The entry point's address, null when it is missing or not bound.
    void* Entry(std::string_view name) const;

    template <typename Fn>
    Fn* EntryAs(std::string_view name) const {
        return reinterpret_cast<Fn*>(Entry(name));
    }

  private:
    std::string name_;
    std::string keyEntry_;
    std::vector<std::pair<std::string, void*>> entries_;
    const LoaderOps& loader_;
    void* handle_ = nullptr;
    bool loadedByUs_ = false;
    bool available_ = false;
    std::string lastError_;
};

// The entry point, looked up on first use: the library taken when already in
// the process, else loaded (and never released); the address stored once. A
// library or entry point that is missing makes every call fail (nullopt); it is
// looked for again on the next call.
void* BindOnDemand(const char* library, const char* entry, std::string* error = nullptr,
                   const LoaderOps& loader = SystemLoader());

template <typename Signature>
class OnDemandEntry;

template <typename R, typename... Args>
class OnDemandEntry<R(Args...)> {
  public:
    OnDemandEntry(const char* library, const char* entry, const LoaderOps& loader = SystemLoader())
        : library_(library), entry_(entry), loader_(loader) {}

    // Binds on the first call, then continues into the entry point with the
    // caller's arguments; later calls go straight through.
    std::optional<R> operator()(Args... args) {
        auto* fn = target_.load(std::memory_order_acquire);
        if (fn == nullptr) {
            std::lock_guard<std::mutex> lock(mutex_);
            fn = target_.load(std::memory_order_relaxed);
            if (fn == nullptr) {
                fn = reinterpret_cast<R (*)(Args...)>(
                    BindOnDemand(library_, entry_, &lastError_, loader_));
                if (fn == nullptr) return std::nullopt;
                target_.store(fn, std::memory_order_release);
            }
        }
        return fn(std::forward<Args>(args)...);
    }

    bool Bound() const { return target_.load(std::memory_order_acquire) != nullptr; }
    std::string LastError() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return lastError_;
    }

  private:
    const char* library_;
    const char* entry_;
    const LoaderOps& loader_;
    std::atomic<R (*)(Args...)> target_{nullptr};
    mutable std::mutex mutex_;
    std::string lastError_;
};

}  // namespace sysunits
