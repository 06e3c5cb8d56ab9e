#pragma once

#include <glib-object.h>

#include <memory>

// Owning handles for GLib allocations, so that every path releases them.

struct GFreeDeleter {
  void operator()(void* p) const { g_free(p); }
};
using GCharPtr = std::unique_ptr<char, GFreeDeleter>;

struct GObjectDeleter {
  void operator()(void* p) const {
    if (p) g_object_unref(p);
  }
};
template <class T>
using GObjectPtr = std::unique_ptr<T, GObjectDeleter>;

struct GErrorDeleter {
  void operator()(GError* e) const { g_error_free(e); }
};
using GErrorPtr = std::unique_ptr<GError, GErrorDeleter>;
