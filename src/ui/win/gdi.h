#pragma once
// Owned GDI and USER handles: released when they go out of scope or are replaced.
#include <windows.h>

#include <utility>

namespace qv::win {

template <typename Handle, BOOL(WINAPI* Release)(Handle)>
class Unique {
 public:
  Unique() = default;
  explicit Unique(Handle handle) : handle_(handle) {}
  Unique(Unique&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  Unique& operator=(Unique&& other) noexcept {
    reset(std::exchange(other.handle_, nullptr));
    return *this;
  }
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;
  ~Unique() { reset(); }

  Handle get() const { return handle_; }
  void reset(Handle handle = nullptr) {
    if (handle_) Release(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = nullptr;
};

inline BOOL WINAPI DeleteFontObject(HFONT font) { return DeleteObject(font); }

using UniqueFont = Unique<HFONT, DeleteFontObject>;
using UniqueIcon = Unique<HICON, DestroyIcon>;

}  // namespace qv::win
