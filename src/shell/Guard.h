// Keeps C++ exceptions inside the plug-in: every export, hook, service,
// window procedure and thread procedure runs its body through Guarded.
#pragma once

#include <utility>

#include "shell/Log.h"

template <typename Result, typename Body>
Result Guarded(Result onFailure, Body&& body) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        try {
            WriteLog(" - ERROR: internal failure (out of memory?)\n");
        } catch (...) {
        }
        return onFailure;
    }
}
