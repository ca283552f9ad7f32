// Storage of array values.
//
// A ValueArray is a growable run of Values, like std::vector<Value>, with one
// difference that matters for large arrays: its block comes from malloc and
// grows with realloc. A large block (past glibc's mmap threshold, 128 KiB at
// first) is grown by remapping its pages to a larger address range, so the
// old and the new block are never both resident and nothing is copied. A
// vector allocates the new block and moves every element across before it
// frees the old one: while it grows, the array takes twice its memory.
//
// Handing Values to realloc relies on Value being trivially relocatable: its
// bytes may move to another address without running a constructor there,
// because no Value points into itself or is pointed to from its heap object.
// The checks below hold what can be checked of that at compile time.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

// Include value.h rather than this header: it includes this one where
// Value is complete.
#include "interpreter/value.h"

namespace wexlin {

static_assert(sizeof(Value) == 16 && std::is_standard_layout_v<Value>,
              "Value must stay a plain 16-byte tag and payload to be moved bytewise");
static_assert(alignof(Value) <= alignof(std::max_align_t), "malloc must align Value");
static_assert(std::is_nothrow_move_constructible_v<Value> && std::is_nothrow_copy_constructible_v<Value> &&
                  std::is_nothrow_default_constructible_v<Value>,
              "element copies never fail, so only the block allocation can throw");

class ValueArray {
  public:
    using value_type = Value;
    using size_type = std::size_t;
    using difference_type = std::ptrdiff_t;
    using reference = Value&;
    using const_reference = const Value&;
    using iterator = Value*;
    using const_iterator = const Value*;
    using reverse_iterator = std::reverse_iterator<iterator>;
    using const_reverse_iterator = std::reverse_iterator<const_iterator>;

    ValueArray() noexcept = default;
    ValueArray(std::initializer_list<Value> items);
    // Takes the elements of a vector; lets code that collects into a vector
    // hand the result straight to Value::array.
    ValueArray(std::vector<Value>&& items); // NOLINT(google-explicit-constructor)
    template <std::forward_iterator It>
    ValueArray(It first, It last) {
        reserve(static_cast<size_type>(std::distance(first, last)));
        for (; first != last; ++first)
            new (m_data + m_size++) Value(*first);
    }
    ValueArray(const ValueArray& other);
    ValueArray(ValueArray&& other) noexcept
        : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0)),
          m_capacity(std::exchange(other.m_capacity, 0)) {}
    ValueArray& operator=(const ValueArray& other);
    ValueArray& operator=(ValueArray&& other) noexcept;
    ~ValueArray();

    size_type size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    size_type capacity() const { return m_capacity; }
    static constexpr size_type max_size() { return static_cast<size_type>(-1) / 2 / sizeof(Value); }

    Value* data() { return m_data; }
    const Value* data() const { return m_data; }
    Value& operator[](size_type i) { return m_data[i]; }
    const Value& operator[](size_type i) const { return m_data[i]; }
    Value& front() { return m_data[0]; }
    const Value& front() const { return m_data[0]; }
    Value& back() { return m_data[m_size - 1]; }
    const Value& back() const { return m_data[m_size - 1]; }

    iterator begin() { return m_data; }
    iterator end() { return m_data + m_size; }
    const_iterator begin() const { return m_data; }
    const_iterator end() const { return m_data + m_size; }
    const_iterator cbegin() const { return m_data; }
    const_iterator cend() const { return m_data + m_size; }
    reverse_iterator rbegin() { return reverse_iterator(end()); }
    reverse_iterator rend() { return reverse_iterator(begin()); }
    const_reverse_iterator rbegin() const { return const_reverse_iterator(end()); }
    const_reverse_iterator rend() const { return const_reverse_iterator(begin()); }

    // Growth throws std::bad_alloc when memory runs out (std::length_error
    // past max_size) and then leaves the array as it was.
    void reserve(size_type capacity) {
        if (capacity > m_capacity) reallocate(capacity);
    }
    void push_back(const Value& item) {
        if (m_size == m_capacity) return grow_and_append(Value(item));
        new (m_data + m_size) Value(item);
        ++m_size;
    }
    void push_back(Value&& item) {
        // The item may be one of this array's own elements, which a growth
        // would move away; the slow path takes it out first.
        if (m_size == m_capacity) return grow_and_append(std::move(item));
        new (m_data + m_size) Value(std::move(item));
        ++m_size;
    }
    void pop_back() { m_data[--m_size].~Value(); }
    // New elements are Null.
    void resize(size_type size);
    void clear() noexcept;

  private:
    void grow_and_append(Value item);
    void reallocate(size_type capacity);
    void destroy_from(size_type index) noexcept;

    Value* m_data{nullptr};
    size_type m_size{0};
    size_type m_capacity{0};
};

} // namespace wexlin
