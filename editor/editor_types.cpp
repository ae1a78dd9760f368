#include "editor_types.h"

#include <algorithm>

IBounds IBounds::Union(const IBounds& other) const
{
    if (Empty()) {
        return other;
    }
    if (other.Empty()) {
        return *this;
    }
    return {std::min(left, other.left), std::min(top, other.top), std::max(right, other.right),
            std::max(bottom, other.bottom)};
}

IBounds IBounds::Intersect(const IBounds& other) const
{
    const IBounds common = {std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
                            std::min(bottom, other.bottom)};
    return common.left < common.right && common.top < common.bottom ? common : IBounds{};
}

bool IBounds::Overlaps(const IBounds& other) const
{
    return left < other.right && other.left < right && top < other.bottom && other.top < bottom;
}

IMouseKeys MouseKeysFromFlags(uint32_t flags, const IMouseKeyMasks& masks)
{
    const auto held = [flags](uint32_t mask) -> uint8_t { return (flags & mask) != 0 ? 1 : 0; };
    IMouseKeys keys;
    keys.left = held(masks.left);
    keys.right = held(masks.right);
    keys.shift = held(masks.shift);
    keys.control = held(masks.control);
    keys.alt = held(masks.alt);
    return keys;
}
