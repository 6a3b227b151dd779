#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tabrix::engine::crypto {

/// Overwrites memory in a way the compiler may not drop as a dead store.
void wipe(void* data, size_t size);

/// An allocator that wipes what it hands back, so keys and password bytes do not linger in freed memory
/// (growing a vector frees the old buffer through here too).
template <typename T> struct WipingAllocator {
    using value_type = T;
    WipingAllocator() = default;
    template <typename U> WipingAllocator(const WipingAllocator<U>&) {}
    T* allocate(size_t n) { return std::allocator<T>().allocate(n); }
    void deallocate(T* p, size_t n) {
        wipe(p, n * sizeof(T));
        std::allocator<T>().deallocate(p, n);
    }
    template <typename U> bool operator==(const WipingAllocator<U>&) const { return true; }
};

/// Key material, derived hashes and decrypted verifiers.
using SecretBytes = std::vector<uint8_t, WipingAllocator<uint8_t>>;

/// A password as the user typed it (UTF-8). Its buffer is wiped when it goes; it is never part of a message.
class Password {
public:
    explicit Password(std::string_view text);
    Password(const Password& other) : Password(other.text()) {}
    Password& operator=(const Password&) = delete;
    ~Password();

    std::string_view text() const { return m_text; }
    /// UTF-16LE, as every scheme hashes it.
    SecretBytes utf16() const;
    bool operator==(const Password& other) const { return text() == other.text(); }

private:
    std::string m_text;
};

/// The password spreadsheet programs encrypt with when the user chose none (a workbook protected only against
/// changes); such a workbook opens without asking.
inline constexpr std::string_view kDefaultPassword = "VelvetSweatshop";

} // namespace tabrix::engine::crypto
