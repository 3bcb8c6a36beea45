// A catalogue entry's file name in 16 bytes: up to 15 bytes held in place, a longer name in one
// allocation of its own. A std::string is 32 bytes; a catalogue of a million files holds 16 MB less.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

class CompactName {
  public:
    CompactName() noexcept { Clear(); }
    explicit CompactName(std::string_view text) { Set(text); }
    CompactName(const CompactName& other) { Set(other.View()); }
    CompactName(CompactName&& other) noexcept {
        std::memcpy(bytes_, other.bytes_, sizeof bytes_);
        other.Clear();
    }
    CompactName& operator=(std::string_view text) {
        CompactName made(text);
        return *this = std::move(made);
    }
    CompactName& operator=(const CompactName& other) { return *this = other.View(); }
    CompactName& operator=(CompactName&& other) noexcept {
        if (this != &other) {
            Release();
            std::memcpy(bytes_, other.bytes_, sizeof bytes_);
            other.Clear();
        }
        return *this;
    }
    ~CompactName() { Release(); }

    std::string_view View() const {
        if (!OnHeap()) return {bytes_, size_t(IN_PLACE - uint8_t(bytes_[IN_PLACE]))};
        const char* text;
        uint32_t size;
        std::memcpy(&text, bytes_, sizeof text);
        std::memcpy(&size, bytes_ + sizeof text, sizeof size);
        return {text, size};
    }
    operator std::string_view() const { return View(); }
    std::string Text() const { return std::string(View()); }
    friend bool operator==(const CompactName& a, const CompactName& b) { return a.View() == b.View(); }

  private:
    // The last byte: in place, 15 less the length (0 for 15 bytes); ON_HEAP for a name held elsewhere.
    static constexpr size_t IN_PLACE = 15;
    static constexpr uint8_t ON_HEAP = 0xFF;

    bool OnHeap() const { return uint8_t(bytes_[IN_PLACE]) == ON_HEAP; }
    void Clear() { bytes_[IN_PLACE] = char(IN_PLACE); }
    void Set(std::string_view text) {
        if (text.size() <= IN_PLACE) {
            std::memcpy(bytes_, text.data(), text.size());
            bytes_[IN_PLACE] = char(IN_PLACE - text.size());
            return;
        }
        char* held = new char[text.size()];
        std::memcpy(held, text.data(), text.size());
        const uint32_t size = uint32_t(text.size());
        std::memcpy(bytes_, &held, sizeof held);
        std::memcpy(bytes_ + sizeof held, &size, sizeof size);
        bytes_[IN_PLACE] = char(ON_HEAP);
    }
    void Release() {
        if (!OnHeap()) return;
        char* held;
        std::memcpy(&held, bytes_, sizeof held);
        delete[] held;
    }

    alignas(8) char bytes_[16];
};
