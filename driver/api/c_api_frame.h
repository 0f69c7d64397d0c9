#pragma once

#include <cstdint>
#include <memory>
#include <type_traits>
#include <utility>

#include "api/handle_registry.h"

// Every export runs its body through one of these, so no C++ exception crosses the
// C API: a body that throws gives the export's failure result.

// An export that needs no reader.
template <class R, class Body>
R Guarded(R onFailure, Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return onFailure;
    }
}

template <class Body>
void GuardedVoid(Body&& body) noexcept {
    try {
        body();
    } catch (...) {
    }
}

// A buffer size of the C API handed to a routine that takes it unsigned: negative is 0.
inline unsigned SizeArgument(int size) {
    return size < 0 ? 0u : static_cast<unsigned>(size);
}

// A per-reader export: body(ReaderSession&) runs when handle names an open reader.
// A handle that names none (0, -1, closed, never issued) gives noReader and touches
// nothing else.
template <class R, class Body>
R WithReader(int handle, R noReader, Body&& body) noexcept {
    try {
        std::shared_ptr<ReaderSession> session = Readers().Find(handle);
        if (!session) {
            return noReader;
        }
        return body(*session);
    } catch (...) {
        return noReader;
    }
}

template <class Body>
void WithReaderVoid(int handle, Body&& body) noexcept {
    try {
        std::shared_ptr<ReaderSession> session = Readers().Find(handle);
        if (session) {
            body(*session);
        }
    } catch (...) {
    }
}

// The forwarder rule: 1 when the operation reports success, 0 when it fails or the
// handle names no reader.
template <class Body>
int ForwardToReader(int handle, Body&& body) noexcept {
    return WithReader(handle, 0, [&](ReaderSession& session) {
        return body(session) ? 1 : 0;
    });
}
