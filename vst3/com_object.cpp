#include "com_object.h"

#include "plug/parameter.h"

namespace vst3 {

tresult AnswerQuery(const char* iid, void** obj, std::initializer_list<InterfaceEntry> faces)
{
    if (obj == nullptr) {
        return kInvalidArgument;
    }
    *obj = nullptr;
    for (const InterfaceEntry& entry : faces) {
        if (entry.id->Is(iid)) {
            entry.face->addRef();
            *obj = entry.face;
            return kResultOk;
        }
    }
    return kNoInterface;
}

void CopyText8(char* field, size_t fieldSize, const char* text)
{
    CopyTextField(field, fieldSize, text);
}

void CopyText16(char16* field, size_t fieldUnits, const char* text)
{
    if (field == nullptr || fieldUnits == 0) {
        return;
    }
    size_t n = 0;
    for (; text != nullptr && text[n] != 0 && n + 1 < fieldUnits; ++n) {
        field[n] = static_cast<char16>(static_cast<unsigned char>(text[n]));
    }
    field[n] = 0;
}

void CopyTextFrom16(char* field, size_t fieldSize, const char16* text, size_t maxUnits)
{
    if (field == nullptr || fieldSize == 0) {
        return;
    }
    size_t n = 0;
    for (; text != nullptr && n < maxUnits && text[n] != 0 && n + 1 < fieldSize; ++n) {
        field[n] = text[n] < 0x100 ? static_cast<char>(text[n]) : '?';
    }
    field[n] = 0;
}

}  // namespace vst3
