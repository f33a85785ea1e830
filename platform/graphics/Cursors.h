#pragma once
// The screen's table of numbered cursors. Cursor images are monochrome with an
// AND and an XOR mask (1 bit per pixel, rows top-down, 4 bytes a row for 32 pixels).

#include <map>
#include <vector>

#include "platform/core/ServiceSlot.h"
#include "platform/graphics/Graphics.h"

namespace graphics {

struct CursorImage {
    int Width = 32, Height = 32;
    std::vector<uint8_t> AndMask;  // 1 = screen shows through
    std::vector<uint8_t> XorMask;  // 1 = white where the AND bit is 0
    TPoint HotSpot;
};

class CursorTable {
public:
    virtual ~CursorTable() = default;
    virtual void SetCursor(int id, const CursorImage& image) = 0;
    virtual const CursorImage* Cursor(int id) const = 0;
    virtual void RemoveCursor(int id) = 0;
};

class MemoryCursorTable : public CursorTable {
public:
    void SetCursor(int id, const CursorImage& image) override { cursors_[id] = image; }
    const CursorImage* Cursor(int id) const override;
    void RemoveCursor(int id) override { cursors_.erase(id); }

private:
    std::map<int, CursorImage> cursors_;
};

// The process's cursor table: the one installed, else an in-memory one.
CursorTable& cursors();
// The cursor table installed for the process, which the installer keeps
// alive; nullptr (none installed) means the in-memory one. The Qt layer's
// start-up installs the Qt table.
inline core::ServiceSlot<CursorTable*> cursors_slot;

}  // namespace graphics
