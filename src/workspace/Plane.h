#pragma once

#include <cassert>
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>
#include <span>

namespace kor {

// A fixed-capacity buffer allocated once with calloc, so that the operating
// system hands out zeroed pages only as they are touched: a workspace costs
// little until its planes are used.
template <typename T>
class Buffer {
public:
    explicit Buffer(std::size_t capacity)
        : m_data(static_cast<T*>(std::calloc(capacity, sizeof(T)))), m_capacity(capacity)
    {
        if (!m_data)
            throw std::bad_alloc();
    }

    // A buffer over storage that another buffer owns and outlives it.
    static Buffer view(T* storage, std::size_t capacity) { return Buffer(storage, capacity); }

    T* data() { return m_data.get(); }
    const T* data() const { return m_data.get(); }
    std::size_t capacity() const { return m_capacity; }

    T& operator[](std::size_t i)
    {
        assert(i < m_capacity && "buffer index beyond capacity");
        return m_data.get()[i];
    }
    const T& operator[](std::size_t i) const
    {
        assert(i < m_capacity && "buffer index beyond capacity");
        return m_data.get()[i];
    }

    std::span<T> first(std::size_t count)
    {
        assert(count <= m_capacity && "span beyond capacity");
        return {data(), count};
    }
    std::span<const T> first(std::size_t count) const
    {
        assert(count <= m_capacity && "span beyond capacity");
        return {data(), count};
    }

private:
    Buffer(T* storage, std::size_t capacity) : m_data(storage, Free{false}), m_capacity(capacity) {}

    struct Free {
        bool owns = true;
        void operator()(T* p) const
        {
            if (owns)
                std::free(p);
        }
    };
    std::unique_ptr<T, Free> m_data;
    std::size_t m_capacity;
};

using Plane = Buffer<std::uint16_t>;

} // namespace kor
