#include "platform/graphics/Clipboard.h"

#include "platform/graphics/Cursors.h"

namespace graphics {

unsigned MemoryClipboard::RegisterFormat(const std::string& name) {
    auto it = names_.find(name);
    if (it != names_.end()) return it->second;
    unsigned n = 0xC000 + unsigned(names_.size());
    names_[name] = n;
    return n;
}

std::string MemoryClipboard::FormatName(unsigned format) const {
    for (auto& [name, n] : names_)
        if (n == format) return name;
    return {};
}

std::optional<std::vector<uint8_t>> MemoryClipboard::Data(unsigned format) const {
    auto it = data_.find(format);
    if (it == data_.end()) return std::nullopt;
    return it->second;
}

Clipboard& clipboard() {
    static MemoryClipboard memory;
    Clipboard* installed = clipboard_slot.get();
    return installed ? *installed : memory;
}

const CursorImage* MemoryCursorTable::Cursor(int id) const {
    auto it = cursors_.find(id);
    return it == cursors_.end() ? nullptr : &it->second;
}

CursorTable& cursors() {
    static MemoryCursorTable memory;
    CursorTable* installed = cursors_slot.get();
    return installed ? *installed : memory;
}

}  // namespace graphics
