#include "grow_buffer.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
constexpr int64_t kPage = 4096;
constexpr int64_t kMaxSlack = 0x400000;
constexpr int64_t kAllocatorOverhead = 96;
}  // namespace

IGrowBuffer::IGrowBuffer(int growthGranularity) : granularity(std::max(1, growthGranularity)) {}

IGrowBuffer::~IGrowBuffer()
{
    std::free(data);
}

int64_t IGrowBuffer::CapacityFor(int newSize) const
{
    if (newSize == 0) {
        return 0;
    }
    const int64_t s = newSize;
    int64_t slack = std::max<int64_t>(s / 2, granularity);
    if (granularity < kPage) {
        return s + slack;
    }
    // Page-rounded so that the block plus the allocator's bookkeeping fills whole pages.
    slack = std::clamp<int64_t>(slack & ~(kPage - 1), kPage, kMaxSlack);
    return ((s + slack + kAllocatorOverhead) & ~(kPage - 1)) - kAllocatorOverhead;
}

bool IGrowBuffer::Reallocate(int newCapacity, int keepBytes)
{
    auto* block = static_cast<uint8_t*>(std::realloc(data, static_cast<size_t>(newCapacity)));
    if (block == nullptr) {
        block = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(newCapacity)));
        if (block == nullptr) {
            return false;
        }
        if (keepBytes > 0) {
            std::memcpy(block, data, static_cast<size_t>(keepBytes));
        }
        std::free(data);
    }
    data = block;
    capacity = newCapacity;
    return true;
}

uint8_t* IGrowBuffer::SetSize(int newSize, bool allowShrink)
{
    const int s = std::max(newSize, 0);
    if (s == size && (!allowShrink || s >= capacity / 2)) {
        return Data();
    }
    int threshold = 0;
    if (allowShrink && s < size) {
        threshold = std::max(1, std::min(capacity / 2, capacity - 4 * granularity));
    }
    if (s <= capacity && s >= threshold) {
        size = s;
        return Data();
    }
    const int64_t wanted = CapacityFor(s);
    if (wanted > INT_MAX) {
        return Data();
    }
    const int c = static_cast<int>(wanted);
    if (c == capacity) {
        size = s;
        return Data();
    }
    if (c == 0) {
        std::free(data);
        data = nullptr;
        capacity = 0;
        size = 0;
        return nullptr;
    }
    if (!Reallocate(c, std::min(size, s))) {
        return Data();
    }
    size = s;
    return Data();
}

namespace {
const char kEmptyText[1] = {0};

int BoundedLength(const char* text, int maxLength)
{
    if (text == nullptr) {
        return 0;
    }
    if (maxLength <= 0) {
        const size_t n = std::strlen(text);
        return n > static_cast<size_t>(INT_MAX - 1) ? INT_MAX - 1 : static_cast<int>(n);
    }
    const void* nul = std::memchr(text, 0, static_cast<size_t>(maxLength));
    return nul ? static_cast<int>(static_cast<const char*>(nul) - text) : maxLength;
}
}  // namespace

void ITextBuffer::SetText(const char* text, int maxLength)
{
    const int length = std::min(BoundedLength(text, maxLength), INT_MAX - 1);
    if (length == 0) {
        if (buffer.SetSize(1, false) != nullptr) {
            buffer.Data()[0] = 0;
        }
        return;
    }
    const int oldSize = buffer.Size();
    if (oldSize < length + 1) {
        // The source may lie inside our own storage, which growth can move.
        const uint8_t* old = buffer.Data();
        const auto* src = reinterpret_cast<const uint8_t*>(text);
        const bool inside = old != nullptr && src >= old && src < old + oldSize;
        const ptrdiff_t offset = inside ? src - old : 0;
        buffer.SetSize(length + 1, false);
        if (buffer.Size() != length + 1) {
            return;
        }
        if (inside) {
            text = reinterpret_cast<const char*>(buffer.Data() + offset);
        }
    }
    std::memmove(buffer.Data(), text, static_cast<size_t>(length));
    buffer.Data()[length] = 0;
    if (buffer.Size() > length + 1) {
        buffer.SetSize(length + 1, false);
    }
}

void ITextBuffer::SetFormatted(int maxLength, const char* format, ...)
{
    maxLength = std::clamp(maxLength, 0, INT_MAX - 1);
    buffer.SetSize(maxLength + 1, false);
    if (buffer.Size() != maxLength + 1) {
        return;
    }
    char* out = reinterpret_cast<char*>(buffer.Data());
    va_list args;
    va_start(args, format);
    const int written = std::vsnprintf(out, static_cast<size_t>(maxLength) + 1, format, args);
    va_end(args);
    int length = written;
    if (written < 0) {
        length = 0;  // a formatting error leaves nothing trustworthy in the buffer
    } else if (written >= maxLength) {
        length = out[0] != 0 ? maxLength : 0;
    }
    out[length] = 0;
    buffer.SetSize(length + 1, false);
}

const char* ITextBuffer::Text() const
{
    return buffer.Size() > 0 ? reinterpret_cast<const char*>(buffer.Data()) : kEmptyText;
}
