#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <type_traits>

namespace Platform {

// A set of enumeration values (ordinals 0..255), a value type like a small bitset
// that is usable in constant expressions.
template <typename E>
class TSet {
  static_assert(std::is_enum_v<E>, "TSet holds enumeration values");

public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> values) {
    for (E value : values)
      Include(value);
  }

  constexpr TSet& Include(E value) {
    const auto bit = Ordinal(value);
    FWords[bit / 64] |= std::uint64_t{1} << (bit % 64);
    return *this;
  }
  constexpr TSet& Exclude(E value) {
    const auto bit = Ordinal(value);
    FWords[bit / 64] &= ~(std::uint64_t{1} << (bit % 64));
    return *this;
  }
  [[nodiscard]] constexpr bool Contains(E value) const {
    const auto bit = Ordinal(value);
    return (FWords[bit / 64] >> (bit % 64)) & 1U;
  }
  [[nodiscard]] constexpr bool Empty() const {
    for (auto word : FWords)
      if (word != 0)
        return false;
    return true;
  }
  [[nodiscard]] constexpr std::size_t Count() const {
    std::size_t result = 0;
    for (auto word : FWords)
      for (; word != 0; word &= word - 1)
        ++result;
    return result;
  }

  constexpr TSet operator+(const TSet& other) const { return Combine(other, [](auto a, auto b) { return a | b; }); }
  constexpr TSet operator-(const TSet& other) const { return Combine(other, [](auto a, auto b) { return a & ~b; }); }
  constexpr TSet operator*(const TSet& other) const { return Combine(other, [](auto a, auto b) { return a & b; }); }
  constexpr TSet& operator+=(const TSet& other) { return *this = *this + other; }
  constexpr TSet& operator-=(const TSet& other) { return *this = *this - other; }
  constexpr TSet& operator*=(const TSet& other) { return *this = *this * other; }
  constexpr TSet operator+(E value) const { return TSet(*this).Include(value); }
  constexpr TSet operator-(E value) const { return TSet(*this).Exclude(value); }
  constexpr TSet& operator+=(E value) { return Include(value); }
  constexpr TSet& operator-=(E value) { return Exclude(value); }
  constexpr bool operator==(const TSet& other) const = default;
  // Subset test, as Pascal's <= on sets.
  [[nodiscard]] constexpr bool IsSubsetOf(const TSet& other) const { return (*this - other).Empty(); }

private:
  static constexpr std::size_t Ordinal(E value) {
    return static_cast<std::size_t>(static_cast<std::underlying_type_t<E>>(value)) & 0xFF;
  }
  template <typename Op>
  constexpr TSet Combine(const TSet& other, Op op) const {
    TSet result;
    for (std::size_t i = 0; i < FWords.size(); ++i)
      result.FWords[i] = op(FWords[i], other.FWords[i]);
    return result;
  }

  std::array<std::uint64_t, 4> FWords{};
};

} // namespace Platform
