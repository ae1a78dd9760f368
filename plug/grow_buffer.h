// Growable byte storage and two of its views: an owning list of pointers and a
// NUL-terminated text. Every variable-length thing in the framework lives in these.
#pragma once

#include <cstdarg>
#include <cstdint>

// A heap block that grows in page-rounded steps and gives storage back only when the
// size falls well below the capacity. Failures leave the buffer exactly as it was.
class IGrowBuffer {
public:
    static constexpr int kPageGranularity = 4096;
    static constexpr int kTextGranularity = 128;

    explicit IGrowBuffer(int growthGranularity = kPageGranularity);
    ~IGrowBuffer();
    IGrowBuffer(const IGrowBuffer&) = delete;
    IGrowBuffer& operator=(const IGrowBuffer&) = delete;

    // Sets the size in bytes (negative counts as 0) and returns Data() afterwards.
    // Contents up to min(old, new) size are kept; grown bytes are not initialised.
    uint8_t* SetSize(int newSize, bool allowShrink);
    uint8_t* Data() const { return size > 0 ? data : nullptr; }
    int Size() const { return size; }
    int Capacity() const { return capacity; }

private:
    int64_t CapacityFor(int newSize) const;
    bool Reallocate(int newCapacity, int keepBytes);

    uint8_t* data = nullptr;
    int capacity = 0;
    int size = 0;
    int granularity;
};

// An ordered list of owned objects; deletes them last to first when destroyed.
template <typename T>
class IPtrList {
public:
    IPtrList() = default;
    ~IPtrList() { DeleteAll(); }
    IPtrList(const IPtrList&) = delete;
    IPtrList& operator=(const IPtrList&) = delete;

    // Appends an object and takes ownership of it; on failure the caller keeps it.
    bool Add(T* object)
    {
        const int count = Count();
        const int wanted = (count + 1) * kEntry;
        buffer.SetSize(wanted, false);
        if (buffer.Size() != wanted) {
            return false;
        }
        Slots()[count] = object;
        return true;
    }

    // Inserts an object at index (0..Count), moving later ones up; ownership as Add.
    bool Insert(int index, T* object)
    {
        const int count = Count();
        if (index < 0 || index > count || !Add(object)) {
            return false;
        }
        T** slots = Slots();
        for (int i = count; i > index; --i) {
            slots[i] = slots[i - 1];
        }
        slots[index] = object;
        return true;
    }

    T* Get(int index) const
    {
        if (index < 0 || index >= Count() || buffer.Data() == nullptr) {
            return nullptr;
        }
        return Slots()[index];
    }

    int Count() const { return buffer.Size() / kEntry; }

    // Deletes every object from the last to the first, keeping the storage.
    void DeleteAll()
    {
        for (int i = Count() - 1; i >= 0; --i) {
            delete Slots()[i];
            buffer.SetSize(i * kEntry, false);
        }
    }

private:
    static constexpr int kEntry = static_cast<int>(sizeof(T*));
    T** Slots() const { return reinterpret_cast<T**>(buffer.Data()); }

    IGrowBuffer buffer;
};

// A NUL-terminated text in growable storage; never answers a null text.
class ITextBuffer {
public:
    ITextBuffer() : buffer(IGrowBuffer::kTextGranularity) {}

    // Copies text, at most maxLength bytes when maxLength > 0. Null or empty gives "".
    void SetText(const char* text, int maxLength = 0);
    // printf-style formatting, cut to at most maxLength characters.
    void SetFormatted(int maxLength, const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 3, 4)))
#endif
        ;
    const char* Text() const;
    int Length() const { return buffer.Size() > 0 ? buffer.Size() - 1 : 0; }
    int Size() const { return buffer.Size(); }
    int Capacity() const { return buffer.Capacity(); }

private:
    IGrowBuffer buffer;
};
