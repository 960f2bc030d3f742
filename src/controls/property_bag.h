#pragma once
// The container's store of a control's design-time properties: typed values under names, read
// with a default and written with one (a value equal to its default is not stored), and a text
// form in which a form keeps the stored properties of its buttons in a file.
#include <cstdint>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "common/text.h"
#include "controls/button_color.h"

namespace ferrik {

// A font as the container describes it. `size` is in points x 10000, as the host keeps font sizes.
struct ButtonFont {
    Text name;
    std::int64_t size = 90000;
    std::int32_t weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;
    std::int32_t charset = 0;
    bool operator==(const ButtonFont&) const = default;
};

// A picture as the bytes of its file image (a bitmap or icon file); the window half decodes it.
struct Picture {
    std::vector<std::uint8_t> bytes;
    bool operator==(const Picture&) const = default;
};

struct ColorValue {
    OleColor value = 0;
    bool operator==(const ColorValue&) const = default;
};

// std::monostate stands for "nothing" (no picture).
using PropertyValue = std::variant<std::monostate, std::int32_t, bool, Text, ColorValue, ButtonFont, Picture>;

class PropertyBag {
public:
    using Entry = std::pair<std::string, PropertyValue>;

    // The stored value, or `def` when the key is missing. Every read is logged (ReadLog).
    PropertyValue ReadProperty(std::string_view key, const PropertyValue& def) const;
    // Stores the value, or removes the key when the value equals `def`. A key keeps its place.
    void WriteProperty(std::string_view key, const PropertyValue& value, const PropertyValue& def);

    // Stores the value whatever it is (what the text form read).
    void Store(std::string_view key, PropertyValue value);

    bool Contains(std::string_view key) const;
    const std::vector<Entry>& Entries() const { return m_entries; }
    const std::vector<std::string>& ReadLog() const { return m_reads; }
    bool operator==(const PropertyBag& other) const { return m_entries == other.m_entries; }

private:
    std::vector<Entry> m_entries;
    mutable std::vector<std::string> m_reads;
};

// One control's stored properties in a form's design data.
struct StoredControl {
    std::string name;
    PropertyBag bag;
};

// Bad design text: the message names the line and what was wrong with it.
class DesignTextError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The text form (UTF-8):
//   Begin tesselbutton Command1
//       ButtonStyle = 2
//       Caption = "打开 \"x\""
//       BackColor = &H00FFD1AD&
//       Font = Font("Tahoma", 90000, 400, False, False, False, 134)
//       PictureNormal = Picture(424D...)
//   End
std::string WriteDesignText(std::span<const StoredControl> controls);
std::vector<StoredControl> ParseDesignText(std::string_view text);  // throws DesignTextError

// Whole files; saving writes a temporary file beside the target and renames it over the target,
// so a failed save leaves the previous file. Both throw DesignTextError on failure.
void SaveDesignFile(const std::filesystem::path& path, std::span<const StoredControl> controls);
std::vector<StoredControl> LoadDesignFile(const std::filesystem::path& path);

}  // namespace ferrik
