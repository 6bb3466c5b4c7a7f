#pragma once
// Expected<T, E>: the one value-or-error type of the engine and the parent
// side, shaped like C++23's std::expected so that moving to it later is a
// rename. Construction that can fail returns one; callers test it before use.
//
// An error converts implicitly when E cannot be mistaken for T, so that
// `return Error{...};` reads naturally; otherwise wrap it in Unexpected.
// Reading the side that is not there is a caller's bug: it aborts in every
// build rather than read a wrong member.

#include <cstdio>
#include <cstdlib>
#include <type_traits>
#include <utility>
#include <variant>

namespace moviehost {

template <typename E>
class Unexpected {
public:
    explicit Unexpected(E error) : m_error(std::move(error)) {}
    [[nodiscard]] E& error() & { return m_error; }
    [[nodiscard]] E&& error() && { return std::move(m_error); }

private:
    E m_error;
};

template <typename E>
Unexpected(E) -> Unexpected<E>;

namespace expected_detail {
[[noreturn]] inline void wrongSide(const char* what) {
    std::fprintf(stderr, "Expected: %s\n", what);
    std::abort();
}
}  // namespace expected_detail

template <typename T, typename E>
class [[nodiscard]] Expected {
public:
    using value_type = T;
    using error_type = E;

    template <typename U = T>
    requires std::is_constructible_v<T, U&&> &&
        (!std::is_same_v<std::remove_cvref_t<U>, Expected>)&&(!std::is_same_v<std::remove_cvref_t<U>, E> ||
                                                              std::is_convertible_v<const E&, T>)Expected(U&& value)
        : m_state(std::in_place_index<0>, std::forward<U>(value)) {}
    template <typename G>
    Expected(Unexpected<G> error) : m_state(std::in_place_index<1>, std::move(error).error()) {}
    template <typename G = E>
    requires std::is_same_v<G, E> &&(!std::is_convertible_v<const G&, T>)Expected(const G& error)
        : m_state(std::in_place_index<1>, error) {}
    template <typename G = E>
    requires std::is_same_v<G, E> &&(!std::is_convertible_v<G&&, T>)Expected(G&& error)
        : m_state(std::in_place_index<1>, std::move(error)) {}

    [[nodiscard]] bool has_value() const { return m_state.index() == 0; }
    explicit operator bool() const { return has_value(); }

    [[nodiscard]] T& value() & { return *get<0>(); }
    [[nodiscard]] const T& value() const& { return *get<0>(); }
    [[nodiscard]] T&& value() && { return std::move(*get<0>()); }
    [[nodiscard]] E& error() & { return *get<1>(); }
    [[nodiscard]] const E& error() const& { return *get<1>(); }
    [[nodiscard]] E&& error() && { return std::move(*get<1>()); }

    template <typename U>
    [[nodiscard]] T value_or(U&& fallback) const& {
        return has_value() ? value() : static_cast<T>(std::forward<U>(fallback));
    }

    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T&& operator*() && { return std::move(value()); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

private:
    template <std::size_t I>
    auto* get() {
        if (m_state.index() != I)
            expected_detail::wrongSide(I == 0 ? "read a value that is an error" : "read an error that is a value");
        return &std::get<I>(m_state);
    }
    template <std::size_t I>
    const auto* get() const {
        if (m_state.index() != I)
            expected_detail::wrongSide(I == 0 ? "read a value that is an error" : "read an error that is a value");
        return &std::get<I>(m_state);
    }

    std::variant<T, E> m_state;
};

// Success or an error, with no value.
template <typename E>
class [[nodiscard]] Expected<void, E> {
public:
    using value_type = void;
    using error_type = E;

    Expected() = default;
    template <typename G>
    Expected(Unexpected<G> error) : m_error(std::move(error).error()), m_failed(true) {}
    Expected(E error) : m_error(std::move(error)), m_failed(true) {}

    [[nodiscard]] bool has_value() const { return !m_failed; }
    explicit operator bool() const { return has_value(); }
    void value() const {
        if (m_failed)
            expected_detail::wrongSide("read a value that is an error");
    }
    [[nodiscard]] const E& error() const& {
        if (!m_failed)
            expected_detail::wrongSide("read an error that is a value");
        return m_error;
    }

private:
    E m_error{};
    bool m_failed = false;
};

}  // namespace moviehost
