#pragma once
// The clipboard as the picture formats see it: numbered formats holding bytes.
// The process uses one clipboard object: an in-memory one unless a program
// installs another in clipboard_slot (the Qt layer's start-up installs the
// Qt clipboard).

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/ServiceSlot.h"

namespace graphics {

// Predefined format numbers; registered formats are numbered from 0xC000.
constexpr unsigned CF_BITMAP = 2;  // a BMP file image
constexpr unsigned CF_PALETTE = 9;

class Clipboard {
public:
    virtual ~Clipboard() = default;
    // The number of a named format, the same number for the same name.
    virtual unsigned RegisterFormat(const std::string& name) = 0;
    virtual std::string FormatName(unsigned format) const = 0;
    virtual bool HasFormat(unsigned format) const = 0;
    virtual std::optional<std::vector<uint8_t>> Data(unsigned format) const = 0;
    // Adds data in one format to what the clipboard holds.
    virtual void SetData(unsigned format, std::vector<uint8_t> bytes) = 0;
    virtual void Clear() = 0;
};

// Keeps everything in the process; formats are numbered in order of registration.
class MemoryClipboard : public Clipboard {
public:
    unsigned RegisterFormat(const std::string& name) override;
    std::string FormatName(unsigned format) const override;
    bool HasFormat(unsigned format) const override { return data_.count(format) != 0; }
    std::optional<std::vector<uint8_t>> Data(unsigned format) const override;
    void SetData(unsigned format, std::vector<uint8_t> bytes) override { data_[format] = std::move(bytes); }
    void Clear() override { data_.clear(); }

private:
    std::map<std::string, unsigned> names_;
    std::map<unsigned, std::vector<uint8_t>> data_;
};

// The process's clipboard: the one installed, else an in-memory one.
Clipboard& clipboard();
// The clipboard installed for the process, which the installer keeps alive;
// nullptr (none installed) means the in-memory one.
inline core::ServiceSlot<Clipboard*> clipboard_slot;

}  // namespace graphics
