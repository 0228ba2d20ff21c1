// A record's time text: up to kInline bytes are held inside the record, so
// copying "2026-12-06 10:14:03.250 UTC" into each of 10000 records takes no
// allocation; a longer text (a station may stamp up to 511 bytes) goes to the
// heap and is kept whole. Bytes, one per character (Latin-1), as read.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>

namespace tavro {

class InlineText {
public:
    static constexpr std::size_t kInline = 28;  // 40 bytes in all, as many as a std::string and a pointer

    InlineText() = default;
    InlineText(std::string_view text) { Assign(text); }  // NOLINT: a text where a text is asked
    InlineText(const InlineText& other) { Assign(other.View()); }
    // A moved-from text is empty (its heap text went with the move).
    InlineText(InlineText&& other) noexcept { Take(other); }
    InlineText& operator=(const InlineText& other) {
        if (this != &other) Assign(other.View());
        return *this;
    }
    InlineText& operator=(InlineText&& other) noexcept {
        if (this != &other) Take(other);
        return *this;
    }
    InlineText& operator=(std::string_view text) {
        Assign(text);
        return *this;
    }
    ~InlineText() = default;

    std::string_view View() const { return {heap_ ? heap_.get() : inline_, size_}; }
    operator std::string_view() const { return View(); }  // NOLINT: reads as a text
    bool empty() const { return size_ == 0; }
    std::size_t size() const { return size_; }
    std::string_view substr(std::size_t pos, std::size_t count = std::string_view::npos) const {
        return View().substr(pos, count);
    }
    bool ends_with(std::string_view end) const { return View().ends_with(end); }

    friend bool operator==(const InlineText& a, const InlineText& b) { return a.View() == b.View(); }
    friend bool operator==(const InlineText& a, std::string_view b) { return a.View() == b; }
    friend bool operator==(const InlineText& a, const char* b) { return a.View() == b; }
    friend std::ostream& operator<<(std::ostream& out, const InlineText& t) { return out << t.View(); }

private:
    void Assign(std::string_view text) {
        if (text.size() <= kInline) {
            // memmove: the text may be this one's own (t = t.View()).
            if (!text.empty()) std::memmove(inline_, text.data(), text.size());
            heap_.reset();
        } else {
            auto bytes = std::make_unique_for_overwrite<char[]>(text.size());
            std::memcpy(bytes.get(), text.data(), text.size());  // before the old text goes
            heap_ = std::move(bytes);
        }
        size_ = static_cast<std::uint32_t>(text.size());
    }

    void Take(InlineText& other) noexcept {
        std::memcpy(inline_, other.inline_, kInline);
        heap_ = std::move(other.heap_);
        size_ = std::exchange(other.size_, 0);
    }

    std::uint32_t size_ = 0;
    char inline_[kInline]{};  // the text when it fits
    std::unique_ptr<char[]> heap_;  // the text when it does not
};

}  // namespace tavro
