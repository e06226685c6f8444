// A value or an error: the return type of every fallible operation (g++ 12 has no std::expected in C++20).
#pragma once

#include <type_traits>
#include <utility>
#include <variant>

namespace qx {

template <class E>
struct Err {
  E error;
};

template <class E>
Err<std::decay_t<E>> err(E&& e) {
  return Err<std::decay_t<E>>{std::forward<E>(e)};
}

// The value of a Result<void-like>: operations that succeed with nothing to say.
struct Unit {
  friend bool operator==(Unit, Unit) { return true; }
};

template <class T, class E>
class [[nodiscard]] Result {
 public:
  using value_type = T;
  using error_type = E;

  Result(const T& v) : v_(std::in_place_index<0>, v) {}
  Result(T&& v) : v_(std::in_place_index<0>, std::move(v)) {}
  template <class G, class = std::enable_if_t<std::is_constructible_v<E, G&&>>>
  Result(Err<G>&& e) : v_(std::in_place_index<1>, std::move(e.error)) {}
  template <class G, class = std::enable_if_t<std::is_constructible_v<E, const G&>>>
  Result(const Err<G>& e) : v_(std::in_place_index<1>, e.error) {}

  bool ok() const noexcept { return v_.index() == 0; }
  explicit operator bool() const noexcept { return ok(); }

  T& value() & { return std::get<0>(v_); }
  const T& value() const& { return std::get<0>(v_); }
  T&& value() && { return std::get<0>(std::move(v_)); }
  T* operator->() { return &std::get<0>(v_); }
  const T* operator->() const { return &std::get<0>(v_); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }

  E& error() & { return std::get<1>(v_); }
  const E& error() const& { return std::get<1>(v_); }
  E&& error() && { return std::get<1>(std::move(v_)); }

  template <class U>
  T value_or(U&& fallback) const& {
    return ok() ? value() : static_cast<T>(std::forward<U>(fallback));
  }

 private:
  std::variant<T, E> v_;
};

}  // namespace qx
