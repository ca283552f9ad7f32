// value.h brings this header in at the point where Value is complete.
#include "interpreter/value.h"

#include <cstdlib>
#include <new>
#include <stdexcept>

namespace wexlin {

ValueArray::ValueArray(std::initializer_list<Value> items) : ValueArray(items.begin(), items.end()) {}

ValueArray::ValueArray(std::vector<Value>&& items) {
    reserve(items.size());
    for (Value& item : items)
        new (m_data + m_size++) Value(std::move(item));
    items.clear();
}

ValueArray::ValueArray(const ValueArray& other) : ValueArray(other.begin(), other.end()) {}

ValueArray& ValueArray::operator=(const ValueArray& other) {
    if (this != &other) {
        // Built aside first, so a failed allocation leaves this array whole.
        ValueArray copy(other);
        *this = std::move(copy);
    }
    return *this;
}

ValueArray& ValueArray::operator=(ValueArray&& other) noexcept {
    if (this != &other) {
        clear();
        std::free(m_data);
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_capacity = std::exchange(other.m_capacity, 0);
    }
    return *this;
}

ValueArray::~ValueArray() {
    destroy_from(0);
    std::free(m_data);
}

void ValueArray::resize(size_type size) {
    if (size < m_size) {
        destroy_from(size);
        return;
    }
    reserve(size);
    while (m_size < size)
        new (m_data + m_size++) Value();
}

void ValueArray::clear() noexcept {
    destroy_from(0);
}

void ValueArray::destroy_from(size_type index) noexcept {
    // The size drops first: an element's release never reaches back into
    // this array, but the array is consistent at every step regardless.
    size_type end = m_size;
    m_size = index;
    for (size_type i = index; i < end; ++i)
        m_data[i].~Value();
}

void ValueArray::grow_and_append(Value item) {
    if (m_capacity == max_size()) throw std::length_error("array too large");
    size_type capacity = m_capacity == 0 ? 4 : m_capacity > max_size() / 2 ? max_size() : m_capacity * 2;
    reallocate(capacity);
    new (m_data + m_size) Value(std::move(item));
    ++m_size;
}

void ValueArray::reallocate(size_type capacity) {
    if (capacity > max_size()) throw std::length_error("array too large");
    // The elements move with their bytes (see the header). The cast to void*
    // says so to the compiler, which otherwise warns about raw memory
    // functions on a class with a copy constructor.
    void* block = std::realloc(static_cast<void*>(m_data), capacity * sizeof(Value));
    if (!block) throw std::bad_alloc();
    m_data = static_cast<Value*>(block);
    m_capacity = capacity;
}

} // namespace wexlin
